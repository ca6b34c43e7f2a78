#include "desk/StopRules.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "data/HistoryFile.h"
#include "data/HistoryHeader.h"
#include "data/Period.h"
#include "trade/Order.h"

std::optional<StopHit> StopHitIn(const OrderRecord& order, const BarRecord& minute, int spread) {
    const double sl = order.StopLoss();
    const double tp = order.TakeProfit();
    bool stop = false, target = false;
    if (order.nDirection > 0) {
        stop = sl > 0.0 && minute.low <= sl;
        target = tp > 0.0 && minute.high >= tp;
    } else {
        const double askLow = AddPoints(minute.low, spread);
        const double askHigh = AddPoints(minute.high, spread);
        stop = sl > 0.0 && askHigh >= sl;
        target = tp > 0.0 && askLow <= tp;
    }
    if (stop) return StopHit{OrderRecord::kByStopLoss, sl, minute.time};
    if (target) return StopHit{OrderRecord::kByTakeProfit, tp, minute.time};
    return std::nullopt;
}

std::string CheckStops(int direction, double price, double stopLoss, double takeProfit) {
    if (stopLoss < 0.0 || takeProfit < 0.0) return "止损和止盈价格不能为负数!";
    const bool buy = direction > 0;
    if (stopLoss > 0.0 && (buy ? stopLoss >= price : stopLoss <= price))
        return buy ? "买单的止损价格必须低于当前价格!" : "卖单的止损价格必须高于当前价格!";
    if (takeProfit > 0.0 && (buy ? takeProfit <= price : takeProfit >= price))
        return buy ? "买单的止盈价格必须高于当前价格!" : "卖单的止盈价格必须低于当前价格!";
    return "";
}

int ScanMinutes(const std::string& historyFolder, const std::string& symbol, int first, int last,
                const std::function<bool(const BarRecord&)>& visit) {
    if (first < 0) first = 0;
    if (last < first) return 0;
    std::ifstream in(PeriodFilePath(historyFolder, symbol, period::M1), std::ios::binary);
    if (!in) return 0;
    constexpr int kBlock = 1024;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(kBlock) * BarRecord::kSize);
    in.seekg(static_cast<std::streamoff>(HistoryHeader::kSize) +
             static_cast<std::streamoff>(first) * BarRecord::kSize);
    int visited = 0;
    for (int at = first; at <= last && in;) {
        const int want = std::min(kBlock, last - at + 1);
        in.read(reinterpret_cast<char*>(buffer.data()),
                static_cast<std::streamsize>(want) * BarRecord::kSize);
        const int got = static_cast<int>(in.gcount() / BarRecord::kSize);
        for (int i = 0; i < got; ++i) {
            ++visited;
            if (!visit(BarRecord::Decode(buffer.data() + i * BarRecord::kSize))) return visited;
        }
        if (got < want) break;
        at += got;
    }
    return visited;
}
