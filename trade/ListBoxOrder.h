#pragma once

#include <string>
#include <vector>

#include "trade/OrderRecord.h"

// The rows of the order list: one text per open order, in the order of the
// book's open orders, and the selected row (-1 for none).
class CListBoxOrder {
public:
    // Removes every row (and the selection), then appends one row per order.
    void FillOrders(const std::vector<OrderRecord>& orders);
    void AddOrderRow(const OrderRecord& order);
    void ResetContent() {
        m_arrRows.clear();
        m_nCurSel = -1;
    }

    int GetCount() const { return static_cast<int>(m_arrRows.size()); }
    int GetCurSel() const { return m_nCurSel; }
    // An index outside the rows clears the selection.
    void SetCurSel(int row) { m_nCurSel = (row >= 0 && row < GetCount()) ? row : -1; }
    const std::vector<std::string>& Rows() const { return m_arrRows; }
    // Rows as they were shown, for a saved run put back.
    void SetRows(std::vector<std::string> rows, int selected) {
        m_arrRows = std::move(rows);
        SetCurSel(selected);
    }

    // "%d \t%s \t%.1f \t%s \t%.4f \t%.4f \t%.4f \t%.4f \t%.4f"
    static std::string FormatRow(const OrderRecord& order);

private:
    std::vector<std::string> m_arrRows;
    int m_nCurSel = -1;
};
