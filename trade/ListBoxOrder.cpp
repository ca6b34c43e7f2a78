#include "trade/ListBoxOrder.h"

#include "platform/Format.h"

std::string CListBoxOrder::FormatRow(const OrderRecord& o) {
    return FormatString("%d \t%s \t%.1f \t%s \t%.4f \t%.4f \t%.4f \t%.4f \t%.4f", o.nOpenTime,
                        o.nDirection == 1 ? "BUY" : "SELL", o.fOrderSize, o.Symbol().c_str(),
                        o.fOpenPrice, o.fReserved1, o.fReserved2, o.fCurPrice, o.fprofit);
}

void CListBoxOrder::FillOrders(const std::vector<OrderRecord>& orders) {
    ResetContent();
    for (const auto& order : orders) AddOrderRow(order);
}

void CListBoxOrder::AddOrderRow(const OrderRecord& order) { m_arrRows.push_back(FormatRow(order)); }
