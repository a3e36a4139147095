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
    {IDC_GROUP_COMMANDS, E::Group, 424, 4, 98, 140, "Commands", MAIN, "StaticCommands", "Commands", 7},
    {IDC_FULL_CREATION, E::Button, 430, 16, 86, 16, "Full Creation", MAIN, "FullCreation", "Full Creation",
     6},
    {IDC_RESET, E::Button, 430, 36, 86, 16, "Reset", MAIN, "Reset", "Reset", 6},
    {IDC_SELECT_LOW, E::Button, 430, 56, 86, 16, "Select \"low\" Movie", MAIN, "SelectLow",
     "Select \"low\" Movie", 6},
    {IDC_SELECT_FAST, E::Button, 430, 76, 86, 16, "Select \"fast\" Movie", MAIN, "SelectFast",
     "Select \"fast\" Movie", 6},
    {IDC_LOAD_PROJECT, E::Button, 430, 96, 86, 16, "Load Project Settings", MAIN, "LoadProject",
     "Load Project Settings", 6},
    {IDC_SAVE_PROJECT, E::Button, 430, 116, 86, 16, "Save Project Settings", MAIN, "SaveProject",
     "Save Project Settings", 6},
    // frame fields and job information, bottom right
    {IDC_LABEL_CURRENT, E::Label, 424, 174, 58, 9, "Current Frame:", MOVIE, "StaticCurrentFrame",
     "CurrentFrame", 0},
    {IDC_CURRENT_FRAME, E::Field, 484, 172, 38, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_START, E::Label, 424, 189, 58, 9, "Start Frame:", MOVIE, "StaticStartFrame", "Start Frame", 0},
    {IDC_START_FRAME, E::Field, 484, 187, 38, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_END, E::Label, 424, 204, 58, 9, "End Frame:", MOVIE, "StaticEndFrame", "End Frame", 0},
    {IDC_END_FRAME, E::Field, 484, 202, 38, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_GROUP_SIZE, E::Group, 424, 216, 98, 34, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_SIZE, E::Label, 428, 222, 90, 9, "Final AVI Size:", INFO, "StaticFileSizeMBytes",
     "Final AVI Size:", 0},
    {IDC_FINAL_SIZE, E::Field, 428, 233, 90, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_PRIORITY, E::Label, 424, 256, 52, 9, "Thread Priority:", INFO, "StaticThreadPriority",
     "Thread Priority:", 0},
    {IDC_PRIORITY, E::Combo, 476, 254, 46, 14, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_REMAINING, E::Label, 424, 272, 58, 9, "Remaining Time:", INFO, "RemainingTime",
     "Remaining Time:", 0},
    {IDC_REMAINING_TIME, E::Field, 484, 270, 38, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_LABEL_CURRENT_TIME, E::Label, 424, 287, 58, 9, "Current Time:", INFO, "CurrentTime",
     "CurrentTime:", 0},
    {IDC_CURRENT_TIME, E::Field, 484, 285, 38, 12, "", nullptr, nullptr, nullptr, 0},
    {IDC_MERGE, E::Button, 424, 302, 98, 14, "Merge AVIs", MAIN, "MergeAVIs", "Merge AVIs", 0},
    {IDC_START_CREATING, E::Button, 424, 320, 98, 18, "Start Creating", MAIN, "Start", "Start Creation", 0},
    {IDC_DATA_BASE, E::Button, 424, 342, 47, 14, "Data Base", MAIN, "DataBase", "Data Base", 0},
    {IDC_OPTIONS, E::Button, 475, 342, 47, 14, "Options", MAIN, "Options", "Options", 0},
    {IDC_ABOUT, E::Button, 424, 360, 98, 14, "About", MAIN, "About", "About", 0},
    // movie control
    {IDC_GROUP_MOVIE, E::Group, 7, 168, 410, 70, "Movie Control", MOVIE, "StaticMovieControl",
     "Movie Control", 1},
    {IDC_SLIDER, E::Slider, 12, 178, 400, 14, "", nullptr, nullptr, nullptr, 1},
    {IDC_MOVIE_POSITION, E::Label, 12, 196, 60, 9, "Movie Position", MOVIE, "StaticMoviePosition",
     "Movie Position", 2},
    {IDC_FIRST, E::Button, 74, 194, 36, 14, "First", MOVIE, "First", "First", 2},
    {IDC_PREV_KEY, E::Button, 112, 194, 40, 14, "Prev Key", MOVIE, "PrevKey", "Prev Key", 2},
    {IDC_PREV, E::Button, 154, 194, 36, 14, "Prev", MOVIE, "Prev", "Prev", 2},
    {IDC_NEXT, E::Button, 192, 194, 36, 14, "Next", MOVIE, "Next", "Next", 2},
    {IDC_NEXT_KEY, E::Button, 230, 194, 40, 14, "Next Key", MOVIE, "NextKey", "Next Key", 2},
    {IDC_LAST, E::Button, 272, 194, 36, 14, "Last", MOVIE, "Last", "Last", 2},
    {IDC_SET_START, E::Button, 314, 194, 46, 14, "Set Start", MOVIE, "SetStart", "Set Start", 2},
    {IDC_SET_END, E::Button, 362, 194, 46, 14, "Set End", MOVIE, "SetEnd", "Set End", 2},
    {IDC_ADD_LOW, E::Button, 12, 215, 90, 16, "Add as \"low\" part", MOVIE, "AddLow", "Add as \"low\" part",
     2},
    {IDC_ADD_FAST, E::Button, 106, 215, 90, 16, "Add as \"fast\" part", MOVIE, "AddFast",
     "Add as \"fast\" part", 2},
    {IDC_AUTO_CREATE, E::Button, 294, 215, 114, 16, "Auto Create Encoding List", MOVIE,
     "AutoCreateEncodingList", "Auto Create Encoding List", 2},
    // encoding list and progress
    {IDC_GROUP_LIST, E::Group, 7, 242, 410, 108, "Encoding List", nullptr, nullptr, nullptr, 1},
    {IDC_ENCODING_LIST, E::List, 12, 252, 400, 93, "", nullptr, nullptr, nullptr, 1},
    {IDC_PROGRESS, E::Progress, 7, 355, 376, 10, "", nullptr, nullptr, nullptr, 1},
    {IDC_PERCENT, E::Label, 387, 355, 30, 10, "0 %", nullptr, nullptr, nullptr, 0},
    {IDC_STATUS, E::Label, 7, 370, 410, 10, "Waiting!", nullptr, nullptr, nullptr, 4},
};
const size_t g_nMainControls = std::size(g_aMainControls);
