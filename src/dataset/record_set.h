#pragma once
// An in-memory record set: declared fields, a current record, the states
// browse / edit / insert, bookmarks, a filter and an ordering by field values.
//
// Rows are stored once, by position, in columns (one per field); the filter and
// the ordering only produce a view, a sequence of storage rows. Equality filters
// on a field are answered from an index kept per filtered field and kept current
// by posts, so re-filtering at every change of current record costs a look-up,
// not a scan.

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/column.h"
#include "dataset/data_packet.h"
#include "dataset/field_def.h"
#include "platform/datetime.h"

namespace confcred::dataset {

class RecordSet;

class DataSetError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

enum class DataSetState { Inactive, Browse, Edit, Insert };

// A field of a record set. Values are those of the record set's current record
// (or, while a grid paints, of the row it paints: see RecordSet::displayTextAt).
class Field {
public:
    // Display-text handler ("GetText"): may set `text`; the initial text is asString().
    using GetTextHandler = std::function<void(const Field& field, std::string& text, bool displayText)>;

    const std::string& name() const { return def_.name; }
    FieldType type() const { return def_.type; }
    int size() const { return def_.size; }
    const FieldDef& def() const { return def_; }
    size_t index() const { return index_; }
    RecordSet& dataSet() const { return *set_; }

    // Properties the screens set on declared fields.
    const std::string& displayLabel() const { return label_.empty() ? def_.name : label_; }
    void setDisplayLabel(std::string label) { label_ = std::move(label); }
    int displayWidth() const;  // characters; the size for strings unless set
    void setDisplayWidth(int width) { displayWidth_ = width; }
    bool visible() const { return visible_; }
    void setVisible(bool v) { visible_ = v; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool v) { readOnly_ = v; }
    // Declared default, given to the field of a record created in the set.
    const std::string& defaultExpression() const { return default_; }
    void setDefaultExpression(std::string value) { default_ = std::move(value); }
    void setOnGetText(GetTextHandler handler) { onGetText_ = std::move(handler); }
    bool hasGetText() const { return static_cast<bool>(onGetText_); }

    // Reading. A null value reads as "" / 0 / the zero date-time.
    bool isNull() const;
    // Text of the value: strings as stored; numbers and date-times in the
    // regional format (a date-time at midnight shows its date alone).
    std::string asString() const;
    double asDouble() const;                 // text fields are parsed; DataSetError if not a number
    platform::DateTime asDateTime() const;   // text fields are parsed; DataSetError if not a date
    int64_t asInteger() const;
    // The handler's text when one is attached, else asString().
    std::string displayText() const;

    // Writing: only while the record set is in edit or insert state, and not
    // into a read-only field (DataSetError otherwise). Text longer than the
    // width of a string field is a DataSetError.
    void setAsString(std::string_view text);
    void setAsDouble(double value);
    void setAsDateTime(platform::DateTime value);
    void setAsInteger(int64_t value);
    void clear();

private:
    friend class RecordSet;
    Field(RecordSet* set, size_t index, FieldDef def);

    RecordSet* set_;
    size_t index_;
    FieldDef def_;
    std::string label_;
    int displayWidth_ = -1;
    bool visible_ = true;
    bool readOnly_ = false;
    std::string default_;
    GetTextHandler onGetText_;
};

// A remembered record: valid while that record exists in the set.
struct Bookmark {
    uint32_t row = UINT32_MAX;
    uint64_t generation = 0;  // content generation it was taken in
    bool valid() const { return row != UINT32_MAX; }
};

enum class RecordSetEvent {
    DataChanged,    // content, filter or order changed: views redraw everything
    RecordChanged,  // the current record's values were posted
    Scrolled,       // the current record changed
    StateChanged,   // inactive / browse / edit / insert changed
};

class RecordSetObserver {
public:
    virtual ~RecordSetObserver() = default;
    virtual void recordSetChanged(RecordSet& set, RecordSetEvent event) = 0;
};

class RecordSet {
public:
    explicit RecordSet(std::string name = {});
    ~RecordSet();
    RecordSet(const RecordSet&) = delete;
    RecordSet& operator=(const RecordSet&) = delete;

    const std::string& name() const { return name_; }

    // Declaring fields (while inactive). The returned field stays valid for the
    // life of the record set.
    Field& addField(FieldDef def);
    size_t fieldCount() const { return fields_.size(); }
    Field& field(size_t index) { return *fields_[index]; }
    const Field& field(size_t index) const { return *fields_[index]; }
    Field* findField(std::string_view name);  // without regard to case; null if none
    Field& fieldByName(std::string_view name);  // DataSetError "Campo 'X' não encontrado."
    std::vector<FieldDef> fieldDefs() const;

    // Opening and closing.
    void createDataSet();  // opens empty with the declared fields
    void close();          // drops the rows; state inactive
    bool active() const { return state_ != DataSetState::Inactive; }
    DataSetState state() const { return state_; }

    // Replaces the whole content with the packet's rows and opens the set on its
    // first record (after-scroll runs). Declared fields take the packet's fields
    // of the same name (a declared field missing from the packet, or of an
    // incompatible type, is a DataSetError and the set stays as it was); without
    // declared fields, the packet's fields are declared.
    void loadPacket(DataPacket packet);
    // All rows in storage order (filter and ordering ignored), declared fields.
    DataPacket toPacket() const;

    // Cursor over the view (filtered and ordered rows).
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return recordCount() == 0; }
    size_t recordCount() const;
    size_t recNo() const;  // 1-based position in the view; 0 when empty
    void setRecNo(size_t recNo);

    Bookmark bookmark() const;
    bool bookmarkValid(const Bookmark& mark) const;  // the record exists and is in the view
    void gotoBookmark(const Bookmark& mark);         // DataSetError when not valid

    // Editing the current record.
    void edit();
    void insert();  // a new record before the current one, with declared defaults
    void append();  // a new record at the end, with declared defaults
    void post();
    void cancel();

    // Filtering. The text is parsed when set; a malformed text or an unknown
    // field is a DataSetError and the set keeps its previous filter. Changing
    // the filter or the switch moves to the first record of the new view.
    void setFilter(std::string_view text);
    const std::string& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Ordering by one or more fields ("A;B"), ascending and stable by stored
    // value; empty = storage order. An unknown field is a DataSetError and the
    // ordering stays as it was. Kept across loads, filter changes and posts.
    void setIndexFieldNames(std::string_view names);
    const std::string& indexFieldNames() const { return indexNames_; }

    // Reading rows of the view without moving the cursor (for grids).
    size_t storageRowAt(size_t viewPos) const;
    std::string displayTextAt(size_t viewPos, size_t field) const;
    const Column& column(size_t field) const;

    // Events.
    void setAfterScroll(std::function<void(RecordSet&)> handler);
    void setOnStateChange(std::function<void(RecordSet&)> handler);
    void addObserver(RecordSetObserver* observer);
    void removeObserver(RecordSetObserver* observer);

    // Bytes held by the content (columns, view, indexes).
    size_t memoryBytes() const;

private:
    friend class Field;
    struct Impl;
    std::unique_ptr<Impl> impl_;

    std::string name_;
    std::vector<std::unique_ptr<Field>> fields_;
    DataSetState state_ = DataSetState::Inactive;
    bool eof_ = true;
    bool bof_ = true;
    bool filtered_ = false;
    std::string filterText_;
    std::string indexNames_;
};

}  // namespace confcred::dataset
