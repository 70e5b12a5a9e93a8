#pragma once
// An in-memory record set: declared fields, a current record, the states
// browse / edit / insert, bookmarks, a filter and an ordering by field values.
//
// Rows are stored once, by position, in columns (one per field); the filter and
// the ordering only produce a view, a sequence of storage rows. Equality filters
// on a field are answered from an index kept per filtered field and kept current
// by posts, so re-filtering at every change of current record costs a look-up,
// not a scan.
//
// One thread at a time, reads included: reading a position may bring cached
// positions up to date after inserts.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/column.h"
#include "dataset/data_packet.h"
#include "dataset/dataset_error.h"
#include "dataset/field_def.h"
#include "dataset/filter_expr.h"
#include "platform/datetime.h"

namespace confcred::dataset {

class RecordSet;

enum class DataSetState { Inactive, Browse, Edit, Insert };

// A field of a record set. Values are those of the record set's current record,
// of the edit buffer while the set is in edit or insert state, or, while a grid
// paints, of the row it paints (see RecordSet::displayTextAt). An empty text
// counts as null, as filters and orderings read it.
class Field {
  public:
    // Display-text handler ("GetText"): may set `text`; the initial text is asString().
    using GetTextHandler =
        std::function<void(const Field& field, std::string& text, bool displayText)>;

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
    // The width of a declared field, while the record set is inactive: a
    // query gives a field declared without one the width of its column.
    void setSize(int size);
    bool visible() const { return visible_; }
    void setVisible(bool v) { visible_ = v; }
    bool readOnly() const { return readOnly_; }
    void setReadOnly(bool v) { readOnly_ = v; }
    // Declared default, given to the field of a record created by insert or
    // append; plain (N) or quoted ('N'). One the field cannot take stops the insert.
    const std::string& defaultExpression() const { return default_; }
    void setDefaultExpression(std::string value) { default_ = std::move(value); }
    void setOnGetText(GetTextHandler handler) { onGetText_ = std::move(handler); }
    bool hasGetText() const { return static_cast<bool>(onGetText_); }

    // Reading. A null value reads as "" / 0 / the zero date-time. Reading a
    // date-time as a number (or the reverse) is a DataSetError, null or not.
    bool isNull() const;
    // Text of the value: strings as stored; numbers and date-times in the
    // regional format (a date-time at midnight shows its date alone).
    std::string asString() const;
    double asDouble() const;                // text fields are parsed; DataSetError if not a number
    platform::DateTime asDateTime() const;  // text fields are parsed; DataSetError if not a date
    int64_t asInteger() const;
    // The handler's text when one is attached, else asString().
    std::string displayText() const;

    // Writing: only while the record set is in edit or insert state, and not
    // into a read-only field (DataSetError otherwise). Text longer than the
    // width of a string field (counted in characters; a Memo or a width of 0 has
    // no limit) or a value the type cannot take is a DataSetError; a refused
    // write changes nothing. An empty text clears a number or a date-time.
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

// An observer removes itself (RecordSet::removeObserver) before it dies; a set
// that dies first tells it through recordSetDestroyed.
class RecordSetObserver {
  public:
    virtual ~RecordSetObserver() = default;
    virtual void recordSetChanged(RecordSet& set, RecordSetEvent event) = 0;
    // The record set is being destroyed: drop every pointer to it. Called from
    // its destructor; do not call back into the set.
    virtual void recordSetDestroyed(RecordSet& set) { (void)set; }
};

// Work counters, for tests and benchmarks that check how a filter was answered.
struct RecordSetStats {
    uint64_t rowsScanned = 0;   // rows a filter evaluated while scanning every row
    uint64_t indexBuilds = 0;   // equality indexes built
    uint64_t indexLookups = 0;  // filters answered from an equality index
    uint64_t bucketRows = 0;    // rows those look-ups returned
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
    Field* findField(std::string_view name);    // without regard to case; null if none
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
    // All rows in natural order (filter and ordering ignored: loaded rows as
    // loaded, inserted records where they were inserted), declared fields.
    // A pending edit or insert is not included.
    DataPacket toPacket() const;
    // Replaces the whole content with that of `loaded`, as loadPacket would
    // (same events, first record current), leaving `loaded` closed. `loaded`
    // declares the same fields (DataSetError otherwise, nothing changed); when
    // it also has the same filter and ordering its view and indexes are taken
    // as they are, so a set filled on a worker thread comes in at once.
    void takeContent(RecordSet& loaded);

    // Cursor over the view (filtered and ordered rows). Each move posts a
    // pending edit or insert first. first(), last(), gotoBookmark() and a load
    // or filter change always run after-scroll; next(), prior() and setRecNo()
    // only when the current record changes (next() at the last record sets eof
    // and stays). setRecNo() clamps to the view. A closed set refuses to move.
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool isEmpty() const { return recordCount() == 0; }
    size_t recordCount() const;
    // 1-based position in the view; 0 when empty. In insert state, the position
    // the new record shows at (recordCount() does not count it before the post).
    size_t recNo() const;
    void setRecNo(size_t recNo);

    Bookmark bookmark() const;                       // invalid in insert state or on an empty view
    bool bookmarkValid(const Bookmark& mark) const;  // the record exists and is in the view
    void gotoBookmark(const Bookmark& mark);         // DataSetError when not valid

    // Editing the current record. edit() on an empty set and post() outside
    // edit or insert are DataSetErrors; cancel() outside them does nothing.
    // insert()/append() post a pending edit first, make the new record current
    // (after-scroll runs) and leave the view as it is until the post. A post
    // re-places the record by the ordering; if it no longer passes the filter it
    // leaves the view and the record after it (or the last) becomes current,
    // with after-scroll. Cancelling an insert returns to the record that was
    // current (after-scroll runs). Without an ordering a posted insert takes its
    // place before the record that was current; with one it also joins the end
    // of the natural order.
    void edit();
    void insert();
    void append();
    void post();
    void cancel();

    // Filtering (see filter_expr.h for the language). The text is parsed when
    // set; a malformed text or an unknown field is a FilterError and the set
    // keeps its previous filter and view. Changing the filter while filtered, or
    // switching, moves to the first record of the new view. A top-level
    // `FIELD = 'x'` on a text field is answered from an equality index on that
    // field (built on first use after each load), never by a scan.
    void setFilter(std::string_view text);
    const std::string& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }

    // Ordering by one or more fields ("A;B"), ascending and stable by stored
    // value; empty = storage order. An unknown field is a DataSetError and the
    // ordering stays as it was. Kept across loads, filter changes and posts.
    void setIndexFieldNames(std::string_view names);
    const std::string& indexFieldNames() const { return indexNames_; }

    // The 1-based view positions (ascending) of the records whose text field
    // holds exactly `text`, answered from the field's equality index, never by
    // a scan. A field that is not text is a DataSetError.
    std::vector<size_t> locateAll(std::string_view field, std::string_view text);

    // Reading rows of the view without moving the cursor (for grids). The
    // record in edit shows its pending values in displayTextAt.
    size_t storageRowAt(size_t viewPos) const;
    std::string displayTextAt(size_t viewPos, size_t field) const;
    const Column& column(size_t field) const;

    // Events. Observers get StateChanged at every state change, DataChanged on
    // load, close, insert, filter and ordering changes and posted inserts,
    // RecordChanged after a posted edit, Scrolled with every after-scroll.
    void setAfterScroll(std::function<void(RecordSet&)> handler);
    void setOnStateChange(std::function<void(RecordSet&)> handler);
    void addObserver(RecordSetObserver* observer);
    void removeObserver(RecordSetObserver* observer);

    // Bytes held by the content (columns, view, ordering, indexes).
    size_t memoryBytes() const;
    const RecordSetStats& stats() const;

  private:
    friend class Field;
    struct Impl;

    void install(std::vector<Column> columns, size_t rows, FilterExpr filter,
                 std::vector<size_t> keys);
    // The events of a new content: the set seen closing and opening, and
    // after-scroll on its first record.
    void announceNewContent();
    void refilter();

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
