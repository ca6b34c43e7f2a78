#pragma once

#include <array>

// Command ids of the trainer's own toolbar, beside the window's.
enum TrainerCommandId : int {
    ID_TRAINER_HONEST = 33001,
    ID_TRAINER_BACK = 33002,
    ID_TRAINER_PLAY = 33003,
    ID_TRAINER_SLOWER = 33004,
    ID_TRAINER_FASTER = 33005,
    ID_TRAINER_GOTO = 33006,
    ID_TRAINER_CROSSHAIR = 33007,
};

struct TrainerButton {
    int id;
    const char* text;
    const char* tooltip;
    bool checkable;
};

constexpr std::array<TrainerButton, 7> kTrainerButtons = {{
    {ID_TRAINER_HONEST, "诚实", "诚实回放：图表、指标和订单只用已回放的分钟，不显示未来价格", true},
    {ID_TRAINER_BACK, "后退", "后退一步，撤销这一步之后的交易 (←, Backspace)", false},
    {ID_TRAINER_PLAY, "播放", "自动播放/暂停 (P)", true},
    {ID_TRAINER_SLOWER, "慢", "减慢播放速度 (-)", false},
    {ID_TRAINER_FASTER, "快", "加快播放速度 (+)", false},
    {ID_TRAINER_GOTO, "跳转", "跳到日期和时间 (G)", false},
    {ID_TRAINER_CROSSHAIR, "十字", "十字光标和时间轴 (X)", true},
}};
