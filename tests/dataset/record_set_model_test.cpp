// Random inserts, edits, filters, orderings and reloads, checked after every
// step against a naive model: a vector of rows, a full scan and std::stable_sort.
// The seed is printed; set CONFCRED_SEED to replay one.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <optional>
#include <random>

#include "dataset/dataset_test_util.h"
#include "dataset/record_set.h"

namespace confcred::dataset {
namespace {

constexpr uint32_t kNone = UINT32_MAX;

struct Row {
    std::optional<std::string> k;  // K: small alphabet, empty and null included
    std::optional<int64_t> n;      // N
    std::optional<double> d;       // D
    std::optional<std::string> s;  // S
};

struct Filter {
    const char* text;
    std::function<bool(const Row&)> test;
};

std::string text(const std::optional<std::string>& v) {
    return v.value_or("");
}

const std::vector<Filter>& filters() {
    static const std::vector<Filter> all = {
        {"", [](const Row&) { return true; }},
        {"K = 'a'", [](const Row& r) { return text(r.k) == "a"; }},
        {"k = ''", [](const Row& r) { return text(r.k).empty(); }},
        {"K = 'b' AND N > 2", [](const Row& r) { return text(r.k) == "b" && r.n && *r.n > 2; }},
        {"N >= 3 OR K = 'c'", [](const Row& r) { return (r.n && *r.n >= 3) || text(r.k) == "c"; }},
        {"NOT K = 'c'", [](const Row& r) { return text(r.k) != "c"; }},
        {"K = 'a' AND S = 'x'", [](const Row& r) { return text(r.k) == "a" && text(r.s) == "x"; }},
        {"[S] = 'y' AND K = 'b' AND NOT D < 0.5",
         [](const Row& r) { return text(r.s) == "y" && text(r.k) == "b" && !(r.d && *r.d < 0.5); }},
        {"D < 0.5", [](const Row& r) { return r.d && *r.d < 0.5; }},
        {"K IS NULL", [](const Row& r) { return text(r.k).empty(); }},
        {"N IS NOT NULL AND K <> 'a'", [](const Row& r) { return r.n && text(r.k) != "a"; }},
    };
    return all;
}

const std::vector<std::string> kOrderings = {"", "K", "N", "K;N", "S;D", "D", "S;K;N"};

template <class T>
int compareOpt(const std::optional<T>& a, const std::optional<T>& b) {
    if (!a || !b)
        return a ? 1 : (b ? -1 : 0);
    return (*a > *b) - (*a < *b);
}

// Texts: byte-wise, null as empty. Numbers: nulls first.
int compareField(const Row& a, const Row& b, char field) {
    switch (field) {
        case 'K':
            return compareOpt(std::optional(text(a.k)), std::optional(text(b.k)));
        case 'S':
            return compareOpt(std::optional(text(a.s)), std::optional(text(b.s)));
        case 'N':
            return compareOpt(a.n, b.n);
        default:
            return compareOpt(a.d, b.d);
    }
}

class Model {
  public:
    explicit Model(uint32_t seed) : rng_(seed) {}

    Row randomRow() {
        Row r;
        static const char* keys[] = {"a", "b", "c", ""};
        static const char* ss[] = {"x", "y", "zz", "x y"};
        if (coin(8))
            r.k = keys[pick(4)];
        if (coin(8))
            r.n = static_cast<int64_t>(pick(6));
        if (coin(8))
            r.d = static_cast<double>(pick(10)) / 10.0;
        if (coin(8))
            r.s = ss[pick(4)];
        return r;
    }

    size_t pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }
    bool coin(int outOf10) { return pick(10) < static_cast<size_t>(outOf10); }

    // Reference view: storage rows (ids) in natural order, filtered, stably sorted.
    std::vector<uint32_t> view() const {
        std::vector<uint32_t> out;
        if (filtered && !filterText.empty()) {
            for (uint32_t id : natural) {
                if (filterTest(rows[id]))
                    out.push_back(id);
            }
        } else {
            out = natural;
        }
        std::stable_sort(out.begin(), out.end(), [&](uint32_t a, uint32_t b) {
            for (char k : keys) {
                if (int c = compareField(rows[a], rows[b], k))
                    return c < 0;
            }
            return false;
        });
        return out;
    }

    std::vector<Row> rows;          // by storage row
    std::vector<uint32_t> natural;  // storage rows in natural order
    std::string filterText;
    std::function<bool(const Row&)> filterTest = [](const Row&) { return true; };
    bool filtered = false;
    std::string keys;  // ordering as field letters
    std::mt19937 rng_;
};

void store(RecordSet& set, const Row& r) {
    auto put = [&](const char* name, const std::optional<std::string>& v) {
        if (v) {
            set.fieldByName(name).setAsString(*v);
        } else {
            set.fieldByName(name).clear();
        }
    };
    put("K", r.k);
    put("S", r.s);
    if (r.n) {
        set.fieldByName("N").setAsInteger(*r.n);
    } else {
        set.fieldByName("N").clear();
    }
    if (r.d) {
        set.fieldByName("D").setAsDouble(*r.d);
    } else {
        set.fieldByName("D").clear();
    }
}

Row fromColumns(const RecordSet& set, size_t row) {
    Row r;
    if (!set.column(0).isNull(row))
        r.k = std::string(set.column(0).textAt(row));
    if (!set.column(1).isNull(row))
        r.n = set.column(1).integerAt(row);
    if (!set.column(2).isNull(row))
        r.d = set.column(2).doubleAt(row);
    if (!set.column(3).isNull(row))
        r.s = std::string(set.column(3).textAt(row));
    return r;
}

bool sameRow(const Row& a, const Row& b) {
    return a.k == b.k && a.n == b.n && a.d == b.d && a.s == b.s;
}

TEST(RecordSetModel, RandomOperationsMatchANaiveModel) {
    uint32_t seed = std::random_device{}();
    if (const char* env = std::getenv("CONFCRED_SEED"))
        seed = static_cast<uint32_t>(std::atoll(env));
    std::printf("record set model seed: %u (CONFCRED_SEED=%u to replay)\n", seed, seed);
    SCOPED_TRACE("seed " + std::to_string(seed));
    Model m(seed);

    RecordSet set;
    set.addField({"K", FieldType::String, 3});
    set.addField({"N", FieldType::Integer, 0});
    set.addField({"D", FieldType::Double, 0});
    set.addField({"S", FieldType::String, 5});
    set.createDataSet();

    for (int step = 0; step < 4000; ++step) {
        std::string what;
        const size_t op = m.pick(100);
        if (op < 25) {  // insert or append, posted or cancelled
            const bool atEnd = m.coin(5);
            const bool keep = m.coin(8);
            const Row r = m.randomRow();
            const size_t count = set.recordCount();
            const uint32_t before = atEnd || count == 0
                                        ? kNone
                                        : static_cast<uint32_t>(set.storageRowAt(set.recNo() - 1));
            atEnd ? set.append() : set.insert();
            store(set, r);
            if (keep) {
                set.post();
                const auto id = static_cast<uint32_t>(m.rows.size());
                m.rows.push_back(r);
                // Without an ordering an insert takes the place before the current
                // record; with one it joins the end of the natural order.
                auto at = m.natural.end();
                if (m.keys.empty() && before != kNone) {
                    at = std::find(m.natural.begin(), m.natural.end(), before);
                }
                m.natural.insert(at, id);
            } else {
                set.cancel();
            }
            what = std::string(atEnd ? "append" : "insert") + (keep ? " post" : " cancel");
        } else if (op < 55) {  // edit the current record
            if (set.isEmpty())
                continue;
            const auto row = static_cast<uint32_t>(set.storageRowAt(set.recNo() - 1));
            Row r = m.rows[row];
            const Row other = m.randomRow();
            switch (m.pick(4)) {
                case 0:
                    r.k = other.k;
                    break;
                case 1:
                    r.n = other.n;
                    break;
                case 2:
                    r.d = other.d;
                    break;
                default:
                    r.s = other.s;
                    break;
            }
            set.edit();
            store(set, r);
            if (m.coin(9)) {
                set.post();
                m.rows[row] = r;
            } else {
                set.cancel();
            }
            what = "edit";
        } else if (op < 70) {  // filter
            const Filter& f = filters()[m.pick(filters().size())];
            set.setFilter(f.text);
            m.filterText = f.text;
            m.filterTest = f.test;
            if (m.coin(5)) {
                set.setFiltered(!set.filtered());
                m.filtered = set.filtered();
            }
            what = std::string("filter ") + f.text;
        } else if (op < 80) {  // ordering
            const std::string& names = kOrderings[m.pick(kOrderings.size())];
            set.setIndexFieldNames(names);
            m.keys.clear();
            for (char c : names) {
                if (c != ';')
                    m.keys += c;
            }
            what = "order " + names;
        } else if (op < 83) {  // round trip through a packet
            set.loadPacket(set.toPacket());
            std::vector<Row> rows;
            for (uint32_t id : m.natural)
                rows.push_back(m.rows[id]);
            m.rows = std::move(rows);
            for (uint32_t i = 0; i < m.natural.size(); ++i)
                m.natural[i] = i;
            what = "reload";
        } else {  // move
            if (!set.isEmpty())
                set.setRecNo(1 + m.pick(set.recordCount()));
            what = "move";
        }

        const std::vector<uint32_t> expected = m.view();
        ASSERT_EQ(set.recordCount(), expected.size()) << "step " << step << ": " << what;
        for (size_t i = 0; i < expected.size(); ++i) {
            const size_t row = set.storageRowAt(i);
            ASSERT_TRUE(sameRow(fromColumns(set, row), m.rows[expected[i]]))
                << "step " << step << ": " << what << ", view position " << i;
        }
        ASSERT_EQ(set.state(), DataSetState::Browse);
        if (!expected.empty()) {
            ASSERT_GE(set.recNo(), 1u);
            ASSERT_LE(set.recNo(), expected.size());
        }
    }
    EXPECT_GT(m.rows.size(), 100u);
}

}  // namespace
}  // namespace confcred::dataset
