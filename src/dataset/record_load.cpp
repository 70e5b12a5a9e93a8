// Opening, loading, closing and giving out the content of a record set.

#include <algorithm>

#include "dataset/record_set.h"
#include "dataset/record_set_impl.h"
#include "platform/assert.h"
#include "platform/regional.h"

namespace confcred::dataset {
namespace {

bool sameTypeGroup(FieldType a, FieldType b) {
    auto group = [](FieldType t) {
        if (isTextType(t))
            return 0;
        return t == FieldType::DateTime ? 2 : 1;
    };
    return group(a) == group(b);
}

// A number column of the other number type, or DataSetError naming the row.
Column convertNumbers(const Column& src, FieldType to, const std::string& field) {
    Column out(to);
    out.reserve(src.size());
    for (size_t r = 0; r < src.size(); ++r) {
        if (src.isNull(r)) {
            out.appendNull();
        } else if (to == FieldType::Double) {
            out.appendDouble(static_cast<double>(src.integerAt(r)));
        } else {
            const double v = src.doubleAt(r);
            if (!(v >= -9.2e18 && v <= 9.2e18) ||
                v != static_cast<double>(static_cast<int64_t>(v))) {
                throw DataSetError("O campo '" + field + "' é inteiro e os dados trazem " +
                                   platform::formatFloat(v) + " na linha " + std::to_string(r + 1) +
                                   ".");
            }
            out.appendInteger(static_cast<int64_t>(v));
        }
    }
    return out;
}

}  // namespace

void RecordSet::createDataSet() {
    if (fields_.empty()) {
        throw DataSetError("O " + impl_->setLabel() + " não tem campos declarados.");
    }
    const std::vector<FieldDef> defs = fieldDefs();
    FilterExpr filter = FilterExpr::parse(filterText_, defs);
    std::vector<size_t> keys = detail::resolveIndexNames(indexNames_, defs);
    std::vector<Column> columns;
    for (const FieldDef& d : defs)
        columns.emplace_back(d.type);
    install(std::move(columns), 0, std::move(filter), std::move(keys));
}

void RecordSet::loadPacket(DataPacket packet) {
    if (packet.columns().size() != packet.fields().size()) {
        throw DataSetError("Pacote de dados malformado: " + std::to_string(packet.fields().size()) +
                           " campos e " + std::to_string(packet.columns().size()) + " colunas.");
    }
    const bool adopt = fields_.empty();
    const std::vector<FieldDef> defs = adopt ? packet.fields() : fieldDefs();
    if (defs.empty())
        throw DataSetError("Pacote de dados sem campos para o " + impl_->setLabel() + ".");

    // Everything is checked and converted before the set changes.
    std::vector<size_t> source(defs.size());
    size_t rows = SIZE_MAX;
    for (size_t i = 0; i < defs.size(); ++i) {
        const FieldDef& d = defs[i];
        if (adopt) {
            for (size_t j = 0; j < i; ++j) {
                if (sameFieldName(defs[j].name, d.name)) {
                    throw DataSetError("Pacote de dados com o campo '" + d.name + "' repetido.");
                }
            }
        }
        const int idx = adopt ? static_cast<int>(i) : packet.fieldIndex(d.name);
        if (idx < 0) {
            throw DataSetError("O campo '" + d.name + "' não veio nos dados do " +
                               impl_->setLabel() + ".");
        }
        source[i] = static_cast<size_t>(idx);
        const FieldDef& pd = packet.fields()[source[i]];
        if (!sameTypeGroup(d.type, pd.type)) {
            throw DataSetError("O campo '" + d.name + "' veio do tipo " +
                               std::string(fieldTypeName(pd.type)) + " e foi declarado do tipo " +
                               std::string(fieldTypeName(d.type)) + ".");
        }
        const Column& c = packet.column(source[i]);
        if (c.isText() != isTextType(pd.type) || (!c.isText() && c.type() != pd.type)) {
            throw DataSetError("Pacote de dados malformado: a coluna do campo '" + pd.name +
                               "' não é do tipo declarado.");
        }
        if (rows == SIZE_MAX)
            rows = c.size();
        if (c.size() != rows) {
            throw DataSetError("Pacote de dados malformado: o campo '" + pd.name + "' tem " +
                               std::to_string(c.size()) + " linhas e os anteriores " +
                               std::to_string(rows) + ".");
        }
    }
    if (rows == SIZE_MAX)
        rows = 0;
    if (rows >= RowOrder::kNoRow)
        throw DataSetError("Pacote de dados com linhas demais.");
    FilterExpr filter = FilterExpr::parse(filterText_, defs);
    std::vector<size_t> keys = detail::resolveIndexNames(indexNames_, defs);

    // Number columns of the other number type are converted; the rest are
    // adopted as they are (declared names are distinct, so are their sources).
    std::vector<Column> columns(defs.size());
    std::vector<bool> converted(defs.size(), false);
    for (size_t i = 0; i < defs.size(); ++i) {
        const Column& c = packet.column(source[i]);
        if (!c.isText() && c.type() != defs[i].type) {
            columns[i] = convertNumbers(c, defs[i].type, defs[i].name);
            converted[i] = true;
        }
    }
    for (size_t i = 0; i < defs.size(); ++i) {
        if (!converted[i])
            columns[i] = std::move(packet.column(source[i]));
    }
    if (adopt) {
        std::vector<std::unique_ptr<Field>> fields;
        for (const FieldDef& d : defs) {
            fields.push_back(std::unique_ptr<Field>(new Field(this, fields.size(), d)));
        }
        fields_ = std::move(fields);
    }
    install(std::move(columns), rows, std::move(filter), std::move(keys));
}

void RecordSet::install(std::vector<Column> columns, size_t rows, FilterExpr filter,
                        std::vector<size_t> keys) {
    Impl& m = *impl_;
    CONFCRED_ASSERT(std::all_of(columns.begin(), columns.end(),
                                [rows](const Column& c) { return c.size() == rows; }));
    RowOrder order;
    order.setKeys(std::move(keys), columns);
    order.reset(rows, columns);
    m.columns.swap(columns);
    m.rows = rows;
    ++m.generation;
    m.order = std::move(order);
    m.filter = std::move(filter);
    m.indexes.clear();
    m.indexes.resize(m.columns.size());
    m.buffer.clear();
    m.rebuildView();
    announceNewContent();
}

void RecordSet::takeContent(RecordSet& loaded) {
    if (&loaded == this)
        return;
    if (loaded.fieldDefs() != fieldDefs()) {
        throw DataSetError("O " + impl_->setLabel() + " e o " + loaded.impl_->setLabel() +
                           " não declaram os mesmos campos.");
    }
    Impl& from = *loaded.impl_;
    if (!loaded.active() || filterText_ != loaded.filterText_ || filtered_ != loaded.filtered_ ||
        indexNames_ != loaded.indexNames_) {
        // The view must be made again under this set's own filter and ordering.
        const std::vector<FieldDef> defs = fieldDefs();
        FilterExpr filter = FilterExpr::parse(filterText_, defs);
        std::vector<size_t> keys = detail::resolveIndexNames(indexNames_, defs);
        std::vector<Column> columns = std::move(from.columns);
        const size_t rows = loaded.active() ? from.rows : 0;
        loaded.close();
        if (columns.size() != defs.size()) {
            columns.clear();
            for (const FieldDef& d : defs)
                columns.emplace_back(d.type);
        }
        install(std::move(columns), rows, std::move(filter), std::move(keys));
        return;
    }
    Impl& m = *impl_;
    m.columns = std::move(from.columns);
    m.rows = from.rows;
    ++m.generation;
    m.order = std::move(from.order);
    m.filter = std::move(from.filter);
    m.viewFull = from.viewFull;
    m.viewRows = std::move(from.viewRows);
    m.indexes = std::move(from.indexes);
    m.buffer.clear();
    m.stats.rowsScanned += from.stats.rowsScanned;
    m.stats.indexBuilds += from.stats.indexBuilds;
    m.stats.indexLookups += from.stats.indexLookups;
    m.stats.bucketRows += from.stats.bucketRows;
    // What was moved out is left empty, so `loaded` closes as a set of no rows.
    from.columns.clear();
    from.rows = 0;
    from.order = RowOrder();
    from.filter = FilterExpr();
    from.indexes.clear();
    from.viewFull = true;
    from.viewRows.clear();
    loaded.close();
    announceNewContent();
}

void RecordSet::announceNewContent() {
    Impl& m = *impl_;
    m.placeAfterReset();
    // A load replaces the content as closing and opening would: whoever
    // watches the state sees the set go inactive and come back, on every load.
    m.setState(DataSetState::Inactive);
    m.setState(DataSetState::Browse);
    m.notify(RecordSetEvent::DataChanged);
    m.scrolled();
}

void RecordSet::close() {
    if (!active())
        return;
    Impl& m = *impl_;
    m.buffer.clear();
    std::vector<Column>().swap(m.columns);
    m.rows = 0;
    ++m.generation;
    m.order.reset(0, m.columns);
    m.indexes.clear();
    m.viewFull = true;
    std::vector<uint32_t>().swap(m.viewRows);
    m.placeAfterReset();
    m.setState(DataSetState::Inactive);
    m.notify(RecordSetEvent::DataChanged);
}

DataPacket RecordSet::toPacket() const {
    DataPacket packet(fieldDefs());
    if (!active())
        return packet;
    const Impl& m = *impl_;
    const std::vector<uint32_t> seq = m.order.naturalOrder();
    for (size_t f = 0; f < m.columns.size(); ++f) {
        Column& out = packet.column(f);
        const Column& in = m.columns[f];
        if (seq.empty() && in.type() == out.type()) {
            out = in;
            continue;
        }
        out.reserve(m.rows);
        for (size_t p = 0; p < m.rows; ++p)
            out.appendFrom(in, seq.empty() ? p : seq[p]);
    }
    return packet;
}

}  // namespace confcred::dataset
