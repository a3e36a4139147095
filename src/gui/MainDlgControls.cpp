#include "gui/MainDlgControls.h"

#include <iterator>

namespace {
constexpr const char* MAIN = "MAIN_DLG";
constexpr const char* MOVIE = "MAIN_DLG_MOVIE_CONTROL";
constexpr const char* PREVIEW = "MAIN_DLG_PREVIEW";
constexpr const char* INFO = "MAIN_DLG_INFORMATION";
using E = EControl;
} // namespace

// id, kind, x, y, w, h, built-in caption, section, key, default text, mode
const ControlSpec g_aMainControls[] = {
    // the two screens (placed by the window when it changes size)
    {IDC_LOW_CAPTION, E::Label, 7, 4, 200, 9, "AVI Screen 1 (Low)", PREVIEW, "AVIScreen1",
     "AVI Screen 1 (Low)", -1},
    {IDC_LOW_SCREEN, E::Screen, 7, 14, 200, 150, "", PREVIEW, "LowText",
     "Please select your DivX Movie encoded with LOW!!", -1},
    {IDC_FAST_CAPTION, E::Label, 216, 4, 200, 9, "AVI Screen 2 (Fast)", PREVIEW, "AVIScreen2",
     "AVI Screen 2 (Fast)", -1},
    {IDC_FAST_SCREEN, E::Screen, 216, 14, 200, 150, "", PREVIEW, "FastText",
     "Please select your DivX Movie encoded with FAST!!", -1},
    // the command column
    {IDC_GROUP_COMMANDS, E::Group, 430, 4, 92, 140, "Commands", MAIN, "StaticCommands", "Commands", 7},
    {IDC_FULL_CREATION, E::Button, 436, 16, 80, 16, "Full Creation", MAIN, "FullCreation", "Full Creation",
     6},
    {IDC_RESET, E::Button, 436, 36, 80, 16, "Reset", MAIN, "Reset", "Reset", 6},
    {IDC_SELECT_LOW, E::Button, 436, 56, 80, 16, "Select \"low\" Movie", MAIN, "SelectLow",
     "Select \"low\" Movie", 6},
    {IDC_SELECT_FAST, E::Button, 436, 76, 80, 16, "Select \"fast\" Movie", MAIN, "SelectFast",
     "Select \"fast\" Movie", 6},
    {IDC_LOAD_PROJECT, E::Button, 436, 96, 80, 16, "Load Project Settings", MAIN, "LoadProject",
     "Load Project Settings", 6},
    {IDC_SAVE_PROJECT, E::Button, 436, 116, 80, 16, "Save Project Settings", MAIN, "SaveProject",
     "Save Project Settings", 6},
    // frame fields and job information, bottom right
    {IDC_LABEL_CURRENT, E::Label, 430, 174, 50, 9, "Current Frame:", MOVIE, "StaticCurrentFrame",
     "CurrentFrame", 0},
    {IDC_CURRENT_FRAME, E::Field, 482, 172, 40, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_START, E::Label, 430, 189, 50, 9, "Start Frame:", MOVIE, "StaticStartFrame", "Start Frame", 0},
    {IDC_START_FRAME, E::Field, 482, 187, 40, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_END, E::Label, 430, 204, 50, 9, "End Frame:", MOVIE, "StaticEndFrame", "End Frame", 0},
    {IDC_END_FRAME, E::Field, 482, 202, 40, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_GROUP_SIZE, E::Group, 430, 216, 92, 34, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_SIZE, E::Label, 434, 222, 84, 9, "Final AVI Size:", INFO, "StaticFileSizeMBytes",
     "Final AVI Size:", 0},
    {IDC_FINAL_SIZE, E::Field, 434, 233, 84, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_PRIORITY, E::Label, 430, 256, 54, 9, "Thread Priority:", INFO, "StaticThreadPriority",
     "Thread Priority:", 0},
    {IDC_PRIORITY, E::Combo, 484, 254, 38, 14, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_REMAINING, E::Label, 430, 272, 54, 9, "Remaining Time:", INFO, "RemainingTime",
     "Remaining Time:", 0},
    {IDC_REMAINING_TIME, E::Field, 484, 270, 38, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_CURRENT_TIME, E::Label, 430, 287, 54, 9, "Current Time:", INFO, "CurrentTime",
     "CurrentTime:", 0},
    {IDC_CURRENT_TIME, E::Field, 484, 285, 38, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_MERGE, E::Button, 430, 302, 92, 14, "Merge AVIs", MAIN, "MergeAVIs", "Merge AVIs", 0},
    {IDC_START_CREATING, E::Button, 430, 320, 92, 18, "Start Creating", MAIN, "Start", "Start Creation", 0},
    {IDC_DATA_BASE, E::Button, 430, 342, 44, 14, "Data Base", MAIN, "DataBase", "Data Base", 0},
    {IDC_OPTIONS, E::Button, 478, 342, 44, 14, "Options", MAIN, "Options", "Options", 0},
    {IDC_ABOUT, E::Button, 430, 360, 92, 14, "About", MAIN, "About", "About", 0},
    // movie control
    {IDC_GROUP_MOVIE, E::Group, 7, 168, 416, 70, "Movie Control", MOVIE, "StaticMovieControl",
     "Movie Control", 1},
    {IDC_SLIDER, E::Slider, 12, 178, 406, 14, "", nullptr, nullptr, nullptr, 1},
    {IDC_MOVIE_POSITION, E::Label, 12, 196, 60, 9, "Movie Position", MOVIE, "StaticMoviePosition",
     "Movie Position", 2},
    {IDC_FIRST, E::Button, 74, 194, 36, 14, "First", MOVIE, "First", "First", 2},
    {IDC_PREV_KEY, E::Button, 112, 194, 40, 14, "Prev Key", MOVIE, "PrevKey", "Prev Key", 2},
    {IDC_PREV, E::Button, 154, 194, 36, 14, "Prev", MOVIE, "Prev", "Prev", 2},
    {IDC_NEXT, E::Button, 192, 194, 36, 14, "Next", MOVIE, "Next", "Next", 2},
    {IDC_NEXT_KEY, E::Button, 230, 194, 40, 14, "Next Key", MOVIE, "NextKey", "Next Key", 2},
    {IDC_LAST, E::Button, 272, 194, 36, 14, "Last", MOVIE, "Last", "Last", 2},
    {IDC_SET_START, E::Button, 320, 194, 46, 14, "Set Start", MOVIE, "SetStart", "Set Start", 2},
    {IDC_SET_END, E::Button, 368, 194, 46, 14, "Set End", MOVIE, "SetEnd", "Set End", 2},
    {IDC_ADD_LOW, E::Button, 12, 215, 90, 16, "Add as \"low\" part", MOVIE, "AddLow", "Add as \"low\" part",
     2},
    {IDC_ADD_FAST, E::Button, 106, 215, 90, 16, "Add as \"fast\" part", MOVIE, "AddFast",
     "Add as \"fast\" part", 2},
    {IDC_AUTO_CREATE, E::Button, 300, 215, 114, 16, "Auto Create Encoding List", MOVIE,
     "AutoCreateEncodingList", "Auto Create Encoding List", 2},
    // encoding list and progress
    {IDC_GROUP_LIST, E::Group, 7, 242, 416, 108, "Encoding List", nullptr, nullptr, nullptr, 1},
    {IDC_ENCODING_LIST, E::List, 12, 252, 406, 93, "", nullptr, nullptr, nullptr, 1},
    {IDC_PROGRESS, E::Progress, 7, 355, 382, 10, "", nullptr, nullptr, nullptr, 1},
    {IDC_PERCENT, E::Label, 393, 355, 30, 10, "0 %", nullptr, nullptr, nullptr, 0},
    {IDC_STATUS, E::Label, 7, 370, 416, 10, "Waiting!", nullptr, nullptr, nullptr, 4},
};
const size_t g_nMainControls = std::size(g_aMainControls);
