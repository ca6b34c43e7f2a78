#include "window/ImportSymbol.h"

#include <cctype>

#include "data/HistoryHeader.h"
#include "data/SourceCheck.h"
#include "data/SourceFormats.h"
#include "platform/WindowPort.h"

namespace {

bool IsTextExtension(const std::string& path) {
    const auto slash = path.rfind('/');
    const auto dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    std::string ext;
    for (char c : path.substr(dot + 1))
        ext += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "csv" || ext == "txt";
}

}  // namespace

std::optional<std::string> ImportSymbolFor(const std::string& path, CWindowPort& port) {
    if (!IsTextExtension(path)) return std::string();
    bool known = false;
    std::string guess = SymbolFromFileName(path, &known);
    if (known) return guess;
    auto typed = port.AskText("货币名称", "文件名中没有货币名称，请输入（例如EURUSD）：", guess);
    if (!typed) return std::nullopt;
    if (IsUsableSymbol(*typed) && typed->size() <= HistoryHeader::kSymbolSize) return typed;
    port.MessageBox("货币名称不能为空，最多12个字节，且不能含有/、\\或控制字符。");
    return std::nullopt;
}
