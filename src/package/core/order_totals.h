// The totals of the order list: how many orders are listed and their sum, and
// how many are ticked and their sum, by credit situation. Recounted when the
// list's content, filter or ordering changes; a posted tick only moves its own
// order between the counters.
#pragma once

#include <QString>
#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "dataset/record_set.h"

namespace confcred::package {

class OrderTotals : public dataset::RecordSetObserver {
  public:
    // The credit situations of IDPEDCREEXTR: "N", "S", "C".
    enum Situation : size_t { Pending, Effected, Cancelled, kSituations };

    struct Sum {
        size_t count = 0;
        int64_t cents = 0;
        bool operator==(const Sum&) const = default;
    };

    // Follows `orders` (the order list's fields declared) until destroyed.
    explicit OrderTotals(dataset::RecordSet& orders);
    ~OrderTotals() override;
    OrderTotals(const OrderTotals&) = delete;
    OrderTotals& operator=(const OrderTotals&) = delete;

    // The orders in the list's view.
    const Sum& listed() const { return listed_; }
    // The ticked ones ("S"), of any situation, and by situation; an order in
    // no known situation counts only in the first.
    const Sum& ticked() const { return ticked_; }
    const Sum& ticked(Situation situation) const { return bySituation_[situation]; }

    // The ticked orders of a situation already accounted (IDPEDCRECONT "S"),
    // counted when asked.
    size_t tickedAccounted(Situation situation) const;

    // The line the screen shows, amounts in the regional money format.
    QString text() const;

    // Runs after every change of the totals, or once when a Hold ends.
    void setOnChange(std::function<void()> handler) { onChange_ = std::move(handler); }

    // While one lives, changes are gathered and told once at its end: a walk
    // that ticks every order tells one change, not one per order.
    class Hold {
      public:
        explicit Hold(OrderTotals& totals) : totals_(totals) { ++totals_.holds_; }
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

      private:
        OrderTotals& totals_;
    };

  private:
    void recordSetChanged(dataset::RecordSet& set, dataset::RecordSetEvent event) override;
    void recordSetDestroyed(dataset::RecordSet& set) override;

    void recount();
    // The order stored at `row` was posted: moves it by its tick.
    void retick(size_t row);
    // The counter of the order's situation; null for an unknown one.
    Sum* situationOf(size_t row);
    int64_t centsOf(size_t row) const;
    void changed();

    dataset::RecordSet* orders_;
    size_t checkField_;
    size_t situationField_;
    size_t valueField_;
    size_t accountedField_;

    Sum listed_;
    Sum ticked_;
    std::array<Sum, kSituations> bySituation_{};
    // Tick as counted, by stored row; rows out of the view stay unticked.
    std::vector<uint8_t> counted_;

    static constexpr size_t kNoRow = SIZE_MAX;
    size_t editRow_ = kNoRow;
    bool justPosted_ = false;

    std::function<void()> onChange_;
    int holds_ = 0;
    bool pending_ = false;
};

}  // namespace confcred::package
