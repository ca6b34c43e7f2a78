#include "window/HelpText.h"

std::string BuildHelpText() {
    std::string help;
    help += "<软件帮助>";
    help += "\r\n本软件的使用非常简单,操作非常方便,你只需想办法盈利就行:)";
    help += "\r\n(1)载入历史数据如\"GBPUSD.hst文件\",稍等片刻,载入完成后,就可以买卖";
    help += "\r\n(2)快捷键:";
    help += "\r\n      BUY\t\t- 'B'";
    help += "\r\n      SELL\t\t- 'S'";
    help += "\r\n      CLOSE\t- 'C'";
    help += "\r\n     下根K线\t- '空格键'";
    help += "\r\n     资金曲线\t- 'Z'";
    help += "\r\n(3)点击查看资金曲线,可以实时查看资金走势情况";
    help += "\r\n\r\n注：本软件采用多线工作方式,若被杀毒软件或者防火墙拦截";
    help += "\r\n    要允许本软件运行!";
    return help;
}
