#include "package/core/order_totals.h"

#include <QCoreApplication>
#include <cmath>
#include <string_view>

#include "dataset/column.h"
#include "platform/regional.h"

namespace confcred::package {

OrderTotals::OrderTotals(dataset::RecordSet& orders)
    : orders_(&orders),
      checkField_(orders.fieldByName("IDCHECK").index()),
      situationField_(orders.fieldByName("IDPEDCREEXTR").index()),
      valueField_(orders.fieldByName("VRPEDCRECONS").index()),
      accountedField_(orders.fieldByName("IDPEDCRECONT").index()) {
    orders.addObserver(this);
    recount();
}

OrderTotals::~OrderTotals() {
    if (orders_ != nullptr)
        orders_->removeObserver(this);
}

OrderTotals::Hold::~Hold() {
    if (--totals_.holds_ == 0 && totals_.pending_) {
        totals_.pending_ = false;
        if (totals_.onChange_)
            totals_.onChange_();
    }
}

void OrderTotals::changed() {
    if (holds_ > 0) {
        pending_ = true;
        return;
    }
    if (onChange_)
        onChange_();
}

void OrderTotals::recordSetDestroyed(dataset::RecordSet&) {
    orders_ = nullptr;
}

void OrderTotals::recordSetChanged(dataset::RecordSet& set, dataset::RecordSetEvent event) {
    using dataset::RecordSetEvent;
    const bool afterPost = justPosted_;
    justPosted_ = false;
    switch (event) {
        case RecordSetEvent::StateChanged:
            // The edited record is the current one when the edit starts.
            if (set.state() == dataset::DataSetState::Edit) {
                const dataset::Bookmark mark = set.bookmark();
                editRow_ = mark.valid() ? mark.row : kNoRow;
            }
            return;
        case RecordSetEvent::RecordChanged:
            // A posted (or cancelled) edit of one record.
            if (editRow_ != kNoRow && editRow_ < counted_.size())
                retick(editRow_);
            editRow_ = kNoRow;
            justPosted_ = true;
            return;
        case RecordSetEvent::DataChanged:
            // A post that only moved its record within the ordering leaves
            // the view's rows as they were: the record is counted already.
            if (afterPost && set.active() && set.recordCount() == listed_.count)
                return;
            recount();
            return;
        case RecordSetEvent::Scrolled:
            return;
    }
}

OrderTotals::Sum* OrderTotals::situationOf(size_t row) {
    const std::string_view code = orders_->column(situationField_).textAt(row);
    if (code == "N")
        return &bySituation_[Pending];
    if (code == "S")
        return &bySituation_[Effected];
    if (code == "C")
        return &bySituation_[Cancelled];
    return nullptr;
}

int64_t OrderTotals::centsOf(size_t row) const {
    // Amounts arrive as whole cents: counting in cents keeps every sum exact
    // however often orders are ticked and cleared.
    return std::llround(orders_->column(valueField_).doubleAt(row) * 100.0);
}

void OrderTotals::retick(size_t row) {
    const bool ticked = orders_->column(checkField_).textAt(row) == "S";
    if (ticked == (counted_[row] != 0))
        return;
    counted_[row] = ticked ? 1 : 0;
    const int64_t cents = centsOf(row);
    auto move = [ticked, cents](Sum& sum) {
        if (ticked) {
            ++sum.count;
            sum.cents += cents;
        } else {
            --sum.count;
            sum.cents -= cents;
        }
    };
    move(ticked_);
    if (Sum* situation = situationOf(row))
        move(*situation);
    changed();
}

void OrderTotals::recount() {
    listed_ = {};
    ticked_ = {};
    bySituation_ = {};
    counted_.clear();
    if (orders_ != nullptr && orders_->active()) {
        const dataset::Column& checks = orders_->column(checkField_);
        counted_.assign(checks.size(), 0);
        const size_t count = orders_->recordCount();
        for (size_t pos = 0; pos < count; ++pos) {
            const size_t row = orders_->storageRowAt(pos);
            const int64_t cents = centsOf(row);
            ++listed_.count;
            listed_.cents += cents;
            if (checks.textAt(row) != "S")
                continue;
            counted_[row] = 1;
            ++ticked_.count;
            ticked_.cents += cents;
            if (Sum* situation = situationOf(row)) {
                ++situation->count;
                situation->cents += cents;
            }
        }
    }
    changed();
}

size_t OrderTotals::tickedAccounted(Situation situation) const {
    static constexpr std::string_view kCodes[kSituations] = {"N", "S", "C"};
    size_t count = 0;
    if (orders_ == nullptr || !orders_->active() || situation >= kSituations)
        return count;
    const dataset::Column& checks = orders_->column(checkField_);
    const dataset::Column& situations = orders_->column(situationField_);
    const dataset::Column& accounted = orders_->column(accountedField_);
    const size_t listed = orders_->recordCount();
    for (size_t pos = 0; pos < listed; ++pos) {
        const size_t row = orders_->storageRowAt(pos);
        if (checks.textAt(row) == "S" && situations.textAt(row) == kCodes[situation] &&
            accounted.textAt(row) == "S")
            ++count;
    }
    return count;
}

QString OrderTotals::text() const {
    auto money = [](const Sum& sum) {
        return QString::fromStdString(platform::formatMoney(sum.cents));
    };
    auto count = [](const Sum& sum) { return QString::number(sum.count); };
    const Sum& pending = bySituation_[Pending];
    const Sum& effected = bySituation_[Effected];
    const Sum& cancelled = bySituation_[Cancelled];
    return QCoreApplication::translate("Cli_Lun90000",
                                       "Pedidos listados: %1, %2 · marcados: %3, %4 "
                                       "(pendentes %5, %6; efetivados %7, %8; cancelados %9, %10)")
        .arg(count(listed_), money(listed_), count(ticked_), money(ticked_), count(pending),
             money(pending), count(effected), money(effected), count(cancelled), money(cancelled));
}

}  // namespace confcred::package
