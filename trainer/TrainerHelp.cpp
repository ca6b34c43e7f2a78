#include "trainer/TrainerHelp.h"

std::string BuildTrainerHelpText() {
    std::string help;
    help += "<训练功能>";
    help += "\r\n右上角的第二个工具栏和下面的快捷键:";
    help += "\r\n     后退一步\t- '←' 或 'Backspace'";
    help += "\r\n        (撤销上一根K线以及之后的买卖、平仓和重新训练)";
    help += "\r\n     自动播放/暂停\t- 'P'";
    help += "\r\n     加快/减慢\t- '+' / '-' (每秒1到50根K线)";
    help += "\r\n     跳到日期\t- 'G' (UTC时间 YYYY-MM-DD HH:MM)";
    help += "\r\n     十字光标和时间轴\t- 'X'";
    help += "\r\n     放大/缩小\t- 鼠标滚轮";
    help += "\r\n\r\n诚实回放(工具栏按钮'诚实'):图表、指标和订单只用已经回放的分钟,";
    help += "\r\n    切换周期不会移动回放时间,不会显示未来的价格。";
    help += "\r\n图表上方显示当前K线的时间(UTC)和开高低收。";
    return help;
}
