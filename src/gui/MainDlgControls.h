#pragma once
// The main window's controls: ids and the template table (528 x 384 dialog
// units), with each control's language entry and layout mode.

#include "gui/ControlSpec.h"

#include <cstddef>

enum EMainControl {
    IDC_LOW_SCREEN = 1000,
    IDC_SLIDER = 1001,
    IDC_START_CREATING = 1002,
    IDC_FAST_SCREEN = 1003,
    IDC_PREV = 1004,
    IDC_NEXT = 1005,
    IDC_PREV_KEY = 1006,
    IDC_NEXT_KEY = 1007,
    IDC_CURRENT_FRAME = 1008,
    IDC_ENCODING_LIST = 1009,
    IDC_SET_START = 1010,
    IDC_SET_END = 1011,
    IDC_FIRST = 1012,
    IDC_LAST = 1013,
    IDC_ADD_LOW = 1014,
    IDC_ADD_FAST = 1015,
    IDC_START_FRAME = 1016,
    IDC_END_FRAME = 1017,
    IDC_ABOUT = 1018,
    IDC_SAVE_PROJECT = 1019,
    IDC_SELECT_LOW = 1020,
    IDC_SELECT_FAST = 1021,
    IDC_LOAD_PROJECT = 1022,
    IDC_RESET = 1023,
    IDC_OPTIONS = 1024,
    IDC_AUTO_CREATE = 1025,
    IDC_PROGRESS = 1026,
    IDC_DATA_BASE = 1027,
    IDC_STATUS = 1028,
    IDC_FINAL_SIZE = 1030,
    IDC_FULL_CREATION = 1039,
    IDC_GROUP_COMMANDS = 1056,
    IDC_GROUP_LIST = 1057,
    IDC_GROUP_MOVIE = 1058,
    IDC_MOVIE_POSITION = 1059,
    IDC_LABEL_CURRENT = 1060,
    IDC_LABEL_START = 1061,
    IDC_LABEL_END = 1062,
    IDC_FAST_CAPTION = 1063,
    IDC_PERCENT = 1064,
    IDC_MERGE = 1069,
    IDC_LOW_CAPTION = 1071,
    IDC_LABEL_SIZE = 1073,
    IDC_GROUP_SIZE = 1074,
    IDC_PRIORITY = 1079,
    IDC_LABEL_PRIORITY = 1080,
    IDC_REMAINING_TIME = 1094,
    IDC_LABEL_REMAINING = 1095,
    IDC_CURRENT_TIME = 1096,
    IDC_LABEL_CURRENT_TIME = 1097,
};

// The template's size in dialog units.
inline constexpr int MAIN_DLG_WIDTH = 528;
inline constexpr int MAIN_DLG_HEIGHT = 384;

extern const ControlSpec g_aMainControls[];
extern const size_t g_nMainControls;
