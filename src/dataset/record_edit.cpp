// Editing a record set: the edit buffer, insert, append, post and cancel.

#include <algorithm>

#include "dataset/record_set.h"
#include "dataset/record_set_impl.h"
#include "platform/assert.h"

namespace confcred::dataset {
namespace {

bool sameCell(const Column& a, size_t ra, const Column& b, size_t rb) {
    const bool na = a.isNull(ra);
    if (na != b.isNull(rb))
        return false;
    if (na)
        return true;
    if (a.isText())
        return a.textAt(ra) == b.textAt(rb);
    switch (a.type()) {
        case FieldType::Double: {
            const double x = a.doubleAt(ra);
            const double y = b.doubleAt(rb);
            return x == y || (x != x && y != y);
        }
        case FieldType::DateTime:
            return a.dateTimeAt(ra) == b.dateTimeAt(rb);
        default:
            return a.integerAt(ra) == b.integerAt(rb);
    }
}

void copyCell(Column& dst, size_t dr, const Column& src, size_t sr) {
    if (src.isNull(sr)) {
        dst.setNull(dr);
    } else if (dst.isText()) {
        dst.setText(dr, src.textAt(sr));
    } else if (dst.type() == FieldType::Double) {
        dst.setDouble(dr, src.doubleAt(sr));
    } else if (dst.type() == FieldType::DateTime) {
        dst.setDateTime(dr, src.dateTimeAt(sr));
    } else {
        dst.setInteger(dr, src.integerAt(sr));
    }
}

// A default written 'N' (quoted, '' for a quote) or plainly N.
std::string unquoteDefault(std::string_view text) {
    if (text.size() < 2 || text.front() != '\'' || text.back() != '\'')
        return std::string(text);
    std::string out;
    for (size_t i = 1; i + 1 < text.size(); ++i) {
        out += text[i];
        if (text[i] == '\'' && i + 2 < text.size() && text[i + 1] == '\'')
            ++i;
    }
    return out;
}

}  // namespace

std::vector<Column> RecordSet::Impl::emptyRow() const {
    std::vector<Column> row;
    row.reserve(columns.size());
    for (const Column& c : columns) {
        row.emplace_back(c.type());
        row.back().appendNull();
    }
    return row;
}

Column& RecordSet::Impl::writable(const Field& f) {
    if (self.state_ != DataSetState::Edit && self.state_ != DataSetState::Insert) {
        throw DataSetError("Não é possível alterar o campo '" + f.name() + "': o " + setLabel() +
                           " não está em edição ou inclusão.");
    }
    if (f.readOnly())
        throw DataSetError("O campo '" + f.name() + "' do " + setLabel() + " é somente leitura.");
    return buffer[f.index()];
}

void RecordSet::edit() {
    Impl& m = *impl_;
    m.requireActive();
    if (state_ == DataSetState::Edit || state_ == DataSetState::Insert)
        return;
    if (m.viewCount() == 0)
        throw DataSetError("Não há registro para alterar no " + m.setLabel() + ".");
    const uint32_t row = m.viewRow(m.pos);
    std::vector<Column> buffer;
    buffer.reserve(m.columns.size());
    for (const Column& c : m.columns) {
        buffer.emplace_back(c.type());
        buffer.back().appendFrom(c, row);
    }
    m.buffer = std::move(buffer);
    m.editRow = row;
    m.setState(DataSetState::Edit);
}

void RecordSet::insert() {
    impl_->beginInsert(false);
}
void RecordSet::append() {
    impl_->beginInsert(true);
}

void RecordSet::Impl::beginInsert(bool atEnd) {
    requireActive();
    checkBrowseMode();
    std::vector<Column> row = emptyRow();
    for (size_t f = 0; f < self.fields_.size(); ++f) {
        const Field& field = *self.fields_[f];
        if (!field.defaultExpression().empty()) {
            detail::assignString(field, row[f], unquoteDefault(field.defaultExpression()));
        }
    }
    const size_t n = viewCount();
    posBeforeInsert = pos;
    if (atEnd || n == 0) {
        insertPos = n;
        insertBefore = RowOrder::kNoRow;
    } else {
        insertPos = pos;
        insertBefore = viewRow(pos);
    }
    buffer = std::move(row);
    self.bof_ = self.eof_ = false;
    setState(DataSetState::Insert);
    notify(RecordSetEvent::DataChanged);
    scrolled();  // the new record is the current one
}

void RecordSet::post() {
    if (state_ == DataSetState::Edit) {
        impl_->postEdit();
    } else if (state_ == DataSetState::Insert) {
        impl_->postInsert();
    } else {
        throw DataSetError("Não há alteração a gravar: o " + impl_->setLabel() +
                           " não está em edição ou inclusão.");
    }
}

void RecordSet::Impl::postEdit() {
    const uint32_t row = editRow;
    CONFCRED_ASSERT(row < rows && buffer.size() == columns.size());
    const size_t oldPos = *viewPosOf(row);
    for (size_t f = 0; f < columns.size(); ++f) {
        if (sameCell(buffer[f], 0, columns[f], row))
            continue;
        copyCell(columns[f], row, buffer[f], 0);
        if (f < indexes.size() && indexes[f])
            indexes[f]->update(row, columns[f].textAt(row));
    }
    buffer.clear();
    bool left = false;
    if (viewFull) {
        order.replace(columns, row);
        pos = order.rankOf(row);
    } else {
        // Out of the view while the ordering re-places it; back in if it still passes.
        viewRows.erase(viewRows.begin() + static_cast<std::ptrdiff_t>(oldPos));
        order.replace(columns, row);
        if (filter.matches(columns, row)) {
            insertIntoView(row);
        } else {
            left = true;
            pos = oldPos;  // the record that followed it, or the last one
            clampPos();
        }
    }
    setState(DataSetState::Browse);
    notify(RecordSetEvent::RecordChanged);
    if (left || pos != oldPos)
        notify(RecordSetEvent::DataChanged);
    CONFCRED_ASSERT(shapeHolds());
    if (left)
        scrolled();
}

void RecordSet::Impl::postInsert() {
    const auto row = static_cast<uint32_t>(rows);
    CONFCRED_ASSERT(buffer.size() == columns.size());
    for (size_t f = 0; f < columns.size(); ++f)
        columns[f].appendFrom(buffer[f], 0);
    ++rows;
    for (size_t f = 0; f < indexes.size(); ++f) {
        if (indexes[f])
            indexes[f]->update(row, columns[f].textAt(row));
    }
    order.addRow(columns, insertBefore);
    buffer.clear();
    bool inView = true;
    if (viewFull) {
        pos = order.rankOf(row);
    } else if (filter.matches(columns, row)) {
        insertIntoView(row);
    } else {
        inView = false;
        pos = insertPos;  // the record that was current, or the last one after an append
        clampPos();
    }
    if (inView)
        self.bof_ = self.eof_ = false;
    CONFCRED_ASSERT(shapeHolds());
    setState(DataSetState::Browse);
    notify(RecordSetEvent::DataChanged);
    if (!inView)
        scrolled();
}

void RecordSet::cancel() {
    Impl& m = *impl_;
    if (state_ == DataSetState::Edit) {
        m.buffer.clear();
        m.setState(DataSetState::Browse);
        m.notify(RecordSetEvent::RecordChanged);
    } else if (state_ == DataSetState::Insert) {
        m.buffer.clear();
        m.pos = m.posBeforeInsert;
        m.clampPos();
        if (m.viewCount() > 0)
            bof_ = eof_ = false;
        m.setState(DataSetState::Browse);
        m.notify(RecordSetEvent::DataChanged);
        m.scrolled();  // back on the record that was current
    }
}

}  // namespace confcred::dataset
