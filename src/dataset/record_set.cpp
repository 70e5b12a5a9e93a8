#include "dataset/record_set.h"

#include <algorithm>

#include "dataset/record_set_impl.h"
#include "platform/assert.h"
#include "platform/text.h"

namespace confcred::dataset {
using platform::trimBlanks;

namespace detail {

// "A;B" -> field indexes; blanks around names are ignored, as are empty parts.
std::vector<size_t> resolveIndexNames(std::string_view names, const std::vector<FieldDef>& defs) {
    std::vector<size_t> keys;
    while (!names.empty()) {
        const size_t cut = names.find(';');
        const std::string_view part = trimBlanks(names.substr(0, cut));
        names = cut == std::string_view::npos ? std::string_view() : names.substr(cut + 1);
        if (part.empty())
            continue;
        auto it = std::find_if(defs.begin(), defs.end(),
                               [&](const FieldDef& d) { return sameFieldName(d.name, part); });
        if (it == defs.end()) {
            throw DataSetError("Campo '" + std::string(part) + "' não encontrado.");
        }
        keys.push_back(static_cast<size_t>(it - defs.begin()));
    }
    return keys;
}

}  // namespace detail

// ---- Impl: view, events, cursor helpers ----

std::string RecordSet::Impl::setLabel() const {
    return self.name_.empty() ? std::string("conjunto de dados") : "conjunto '" + self.name_ + "'";
}

bool RecordSet::Impl::shapeHolds() const {
    for (const Column& c : columns)
        if (c.size() != rows)
            return false;
    const size_t n = viewCount();
    return order.size() == rows && n <= rows && (n == 0 ? pos == 0 : pos < n);
}

std::optional<size_t> RecordSet::Impl::viewPosOf(uint32_t row) const {
    if (row >= rows)
        return std::nullopt;
    if (viewFull)
        return order.rankOf(row);
    const size_t p = explicitPosFor(row);
    if (p < viewRows.size() && viewRows[p] == row)
        return p;
    return std::nullopt;
}

size_t RecordSet::Impl::explicitPosFor(uint32_t row) const {
    const uint32_t rank = order.rankOf(row);
    auto it = std::lower_bound(viewRows.begin(), viewRows.end(), rank,
                               [this](uint32_t r, uint32_t k) { return order.rankOf(r) < k; });
    return static_cast<size_t>(it - viewRows.begin());
}

void RecordSet::Impl::insertIntoView(uint32_t row) {
    CONFCRED_ASSERT(!viewFull && row < rows);
    const size_t p = explicitPosFor(row);
    CONFCRED_ASSERT_MSG(p == viewRows.size() || viewRows[p] != row, "a row twice in the view");
    viewRows.insert(viewRows.begin() + static_cast<std::ptrdiff_t>(p), row);
    pos = p;
}

EqualityIndex& RecordSet::Impl::indexFor(size_t field) {
    CONFCRED_ASSERT(field < columns.size());
    if (indexes.size() != columns.size())
        indexes.resize(columns.size());
    if (!indexes[field]) {
        auto index = std::make_unique<EqualityIndex>();
        index->build(columns[field]);
        indexes[field] = std::move(index);
        ++stats.indexBuilds;
    }
    CONFCRED_ASSERT_MSG(indexes[field]->rowCount() == rows, "an index missed a post");
    return *indexes[field];
}

void RecordSet::Impl::rebuildView() {
    viewRows.clear();
    if (!self.filtered_ || filter.empty()) {
        viewFull = true;
        if (viewRows.capacity() > 4096)
            viewRows.shrink_to_fit();
        return;
    }
    viewFull = false;
    // Answer from the smallest equality bucket when the filter has one.
    const FilterExpr::EqualityTerm* best = nullptr;
    size_t bestSize = SIZE_MAX;
    for (const FilterExpr::EqualityTerm& t : filter.equalityTerms()) {
        const size_t s = indexFor(t.field).sizeBound(t.text);
        if (s < bestSize) {
            best = &t;
            bestSize = s;
        }
    }
    if (best != nullptr) {
        ++stats.indexLookups;
        indexFor(best->field).collect(best->text, viewRows);
        stats.bucketRows += viewRows.size();
        std::erase_if(viewRows, [this](uint32_t r) { return !filter.matches(columns, r); });
        std::sort(viewRows.begin(), viewRows.end(),
                  [this](uint32_t a, uint32_t b) { return order.rankOf(a) < order.rankOf(b); });
    } else {
        stats.rowsScanned += rows;
        for (size_t p = 0; p < rows; ++p) {
            const uint32_t r = order.rowAt(p);
            if (filter.matches(columns, r))
                viewRows.push_back(r);
        }
    }
    if (viewRows.capacity() > 4096 && viewRows.capacity() > 2 * viewRows.size()) {
        viewRows.shrink_to_fit();
    }
}

void RecordSet::Impl::setState(DataSetState s) {
    if (self.state_ == s)
        return;
    self.state_ = s;
    notify(RecordSetEvent::StateChanged);
    if (onStateChange) {
        auto handler = onStateChange;  // the handler may replace itself
        handler(self);
    }
}

void RecordSet::Impl::notify(RecordSetEvent e) {
    observers.forEach([&](RecordSetObserver& o) { o.recordSetChanged(self, e); });
}

void RecordSet::Impl::scrolled() {
    notify(RecordSetEvent::Scrolled);
    if (afterScroll) {
        auto handler = afterScroll;
        handler(self);
    }
}

void RecordSet::Impl::requireActive() const {
    if (self.state_ == DataSetState::Inactive) {
        throw DataSetError("Operação não permitida: " + setLabel() + " está fechado.");
    }
}

void RecordSet::Impl::checkBrowseMode() {
    if (self.state_ == DataSetState::Edit || self.state_ == DataSetState::Insert)
        self.post();
}

void RecordSet::Impl::placeAfterReset() {
    pos = 0;
    self.bof_ = true;
    self.eof_ = viewCount() == 0;
}

void RecordSet::Impl::clampPos() {
    const size_t n = viewCount();
    pos = n == 0 ? 0 : std::min(pos, n - 1);
    self.bof_ = self.eof_ = n == 0;
}

const Column* RecordSet::Impl::cell(size_t field, size_t& row) const {
    if (rowContext != nullptr) {
        row = rowContextRow;
        return &(*rowContext)[field];
    }
    switch (self.state_) {
        case DataSetState::Edit:
        case DataSetState::Insert:
            row = 0;
            return &buffer[field];
        case DataSetState::Browse:
            if (viewCount() == 0)
                return nullptr;
            CONFCRED_ASSERT(pos < viewCount());
            row = viewRow(pos);
            return &columns[field];
        case DataSetState::Inactive:
            break;
    }
    return nullptr;
}

// ---- RecordSet: fields ----

RecordSet::RecordSet(std::string name)
    : impl_(std::make_unique<Impl>(*this)), name_(std::move(name)) {}

RecordSet::~RecordSet() {
    impl_->observers.forEach([this](RecordSetObserver& o) {
        try {
            o.recordSetDestroyed(*this);
        } catch (...) {  // a destructor must not throw; the observer lets go either way
        }
    });
}

Field& RecordSet::addField(FieldDef def) {
    if (active()) {
        throw DataSetError("Não é possível declarar o campo '" + def.name + "' com o " +
                           impl_->setLabel() + " aberto.");
    }
    if (def.name.empty())
        throw DataSetError("Nome de campo vazio.");
    if (findField(def.name) != nullptr) {
        throw DataSetError("Campo '" + def.name + "' declarado duas vezes.");
    }
    fields_.push_back(std::unique_ptr<Field>(new Field(this, fields_.size(), std::move(def))));
    return *fields_.back();
}

Field* RecordSet::findField(std::string_view name) {
    for (auto& f : fields_) {
        if (sameFieldName(f->name(), name))
            return f.get();
    }
    return nullptr;
}

Field& RecordSet::fieldByName(std::string_view name) {
    if (Field* f = findField(name))
        return *f;
    throw DataSetError("Campo '" + std::string(name) + "' não encontrado.");
}

std::vector<FieldDef> RecordSet::fieldDefs() const {
    std::vector<FieldDef> defs;
    defs.reserve(fields_.size());
    for (const auto& f : fields_)
        defs.push_back(f->def());
    return defs;
}

// ---- cursor ----

size_t RecordSet::recordCount() const {
    return active() ? impl_->viewCount() : 0;
}

size_t RecordSet::recNo() const {
    if (!active())
        return 0;
    if (state_ == DataSetState::Insert)
        return impl_->insertPos + 1;
    return impl_->viewCount() == 0 ? 0 : impl_->pos + 1;
}

void RecordSet::first() {
    impl_->requireActive();
    impl_->checkBrowseMode();
    impl_->placeAfterReset();
    impl_->scrolled();
}

void RecordSet::last() {
    impl_->requireActive();
    impl_->checkBrowseMode();
    const size_t n = impl_->viewCount();
    impl_->pos = n == 0 ? 0 : n - 1;
    eof_ = true;
    bof_ = n == 0;
    impl_->scrolled();
}

void RecordSet::next() {
    impl_->requireActive();
    impl_->checkBrowseMode();
    const size_t n = impl_->viewCount();
    if (impl_->pos + 1 >= n) {
        eof_ = true;
        bof_ = n == 0;
        return;
    }
    ++impl_->pos;
    bof_ = eof_ = false;
    impl_->scrolled();
}

void RecordSet::prior() {
    impl_->requireActive();
    impl_->checkBrowseMode();
    const size_t n = impl_->viewCount();
    if (n == 0 || impl_->pos == 0) {
        bof_ = true;
        eof_ = n == 0;
        return;
    }
    --impl_->pos;
    bof_ = eof_ = false;
    impl_->scrolled();
}

void RecordSet::setRecNo(size_t recNo) {
    impl_->requireActive();
    impl_->checkBrowseMode();
    const size_t n = impl_->viewCount();
    if (n == 0)
        return;
    const size_t target = std::clamp<size_t>(recNo, 1, n) - 1;
    if (target == impl_->pos)
        return;
    impl_->pos = target;
    bof_ = eof_ = false;
    impl_->scrolled();
}

Bookmark RecordSet::bookmark() const {
    if (!active() || state_ == DataSetState::Insert || impl_->viewCount() == 0)
        return {};
    return Bookmark{impl_->viewRow(impl_->pos), impl_->generation};
}

bool RecordSet::bookmarkValid(const Bookmark& mark) const {
    return active() && mark.valid() && mark.generation == impl_->generation &&
           impl_->viewPosOf(mark.row).has_value();
}

std::vector<size_t> RecordSet::locateAll(std::string_view name, std::string_view text) {
    impl_->requireActive();
    const Field& f = fieldByName(name);
    if (!impl_->columns[f.index()].isText())
        throw DataSetError("O campo '" + f.name() + "' não é de texto.");
    std::vector<uint32_t> rows;
    ++impl_->stats.indexLookups;
    impl_->indexFor(f.index()).collect(text, rows);
    impl_->stats.bucketRows += rows.size();
    std::vector<size_t> positions;
    positions.reserve(rows.size());
    for (uint32_t row : rows) {
        if (const auto pos = impl_->viewPosOf(row))
            positions.push_back(*pos + 1);
    }
    std::sort(positions.begin(), positions.end());
    return positions;
}

void RecordSet::gotoBookmark(const Bookmark& mark) {
    impl_->requireActive();
    impl_->checkBrowseMode();
    if (!bookmarkValid(mark)) {
        throw DataSetError("O registro marcado não está mais disponível no " + impl_->setLabel() +
                           ".");
    }
    impl_->pos = *impl_->viewPosOf(mark.row);
    bof_ = eof_ = false;
    impl_->scrolled();
}

// ---- filter and ordering ----

void RecordSet::setFilter(std::string_view text) {
    FilterExpr parsed;
    if (!fields_.empty())
        parsed = FilterExpr::parse(text, fieldDefs());
    if (active())
        impl_->checkBrowseMode();
    filterText_ = std::string(text);
    impl_->filter = std::move(parsed);
    if (active() && filtered_)
        refilter();
}

void RecordSet::setFiltered(bool on) {
    if (on == filtered_)
        return;
    if (active())
        impl_->checkBrowseMode();
    filtered_ = on;
    if (active())
        refilter();
}

void RecordSet::refilter() {
    impl_->rebuildView();
    impl_->placeAfterReset();
    impl_->notify(RecordSetEvent::DataChanged);
    impl_->scrolled();
}

void RecordSet::setIndexFieldNames(std::string_view names) {
    std::vector<size_t> keys;
    if (!fields_.empty())
        keys = detail::resolveIndexNames(names, fieldDefs());
    if (active())
        impl_->checkBrowseMode();
    indexNames_ = std::string(names);
    if (!active() || keys == impl_->order.keys())
        return;
    Impl& m = *impl_;
    const bool hasCurrent = m.viewCount() > 0;
    const uint32_t current = hasCurrent ? m.viewRow(m.pos) : 0;
    m.order.setKeys(std::move(keys), m.columns);
    CONFCRED_ASSERT(m.order.size() == m.rows);
    if (!m.viewFull) {
        std::sort(m.viewRows.begin(), m.viewRows.end(),
                  [&m](uint32_t a, uint32_t b) { return m.order.rankOf(a) < m.order.rankOf(b); });
    }
    if (hasCurrent)
        m.pos = *m.viewPosOf(current);
    CONFCRED_ASSERT(m.shapeHolds());
    m.notify(RecordSetEvent::DataChanged);
}

// ---- rows for grids ----

size_t RecordSet::storageRowAt(size_t viewPos) const {
    if (!active() || viewPos >= impl_->viewCount()) {
        throw DataSetError("Posição " + std::to_string(viewPos) + " fora do " + impl_->setLabel() +
                           " (" + std::to_string(recordCount()) + " registros).");
    }
    return impl_->viewRow(viewPos);
}

std::string RecordSet::displayTextAt(size_t viewPos, size_t field) const {
    const size_t row = storageRowAt(viewPos);
    if (field >= fields_.size()) {
        throw DataSetError("Campo de número " + std::to_string(field) + " não existe no " +
                           impl_->setLabel() + ".");
    }
    Impl& m = *impl_;
    // The handler reads any field of this row; the cursor does not move.
    struct RowContext {
        Impl& m;
        const std::vector<Column>* savedColumns;
        size_t savedRow;
        RowContext(Impl& impl, size_t row)
            : m(impl), savedColumns(impl.rowContext), savedRow(impl.rowContextRow) {
            // The record being edited shows its pending values, as its editor does.
            const bool edited = impl.self.state_ == DataSetState::Edit && row == impl.editRow;
            m.rowContext = edited ? &m.buffer : &m.columns;
            m.rowContextRow = edited ? 0 : row;
        }
        ~RowContext() {
            m.rowContext = savedColumns;
            m.rowContextRow = savedRow;
        }
    } context(m, row);
    return fields_[field]->displayText();
}

const Column& RecordSet::column(size_t field) const {
    if (field >= impl_->columns.size()) {
        throw DataSetError("Coluna " + std::to_string(field) + " não existe no " +
                           impl_->setLabel() + ".");
    }
    return impl_->columns[field];
}

// ---- events and figures ----

void RecordSet::setAfterScroll(std::function<void(RecordSet&)> handler) {
    impl_->afterScroll = std::move(handler);
}

void RecordSet::setOnStateChange(std::function<void(RecordSet&)> handler) {
    impl_->onStateChange = std::move(handler);
}

void RecordSet::addObserver(RecordSetObserver* observer) {
    impl_->observers.add(observer);
}
void RecordSet::removeObserver(RecordSetObserver* observer) {
    impl_->observers.remove(observer);
}

size_t RecordSet::memoryBytes() const {
    const Impl& m = *impl_;
    size_t total = m.order.memoryBytes() + m.viewRows.capacity() * sizeof(uint32_t);
    std::vector<const std::string*>
        shared;  // a received text counts once, however many columns hold it
    for (const Column& c : m.columns) {
        total += c.memoryBytes();
        const std::string* text = c.sharedText().get();
        if (text != nullptr && std::find(shared.begin(), shared.end(), text) == shared.end()) {
            shared.push_back(text);
            total += text->capacity();
        }
    }
    for (const Column& c : m.buffer)
        total += c.memoryBytes();
    for (const auto& index : m.indexes) {
        if (index)
            total += index->memoryBytes();
    }
    return total;
}

const RecordSetStats& RecordSet::stats() const {
    return impl_->stats;
}

}  // namespace confcred::dataset
