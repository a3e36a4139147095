#pragma once
// One control of a window, described once: the window builds itself from a
// table of these, registers the language entries and feeds the layout keeper.

// Field: a read-only text field; Edit: one the user types into.
enum class EControl { Button, Label, Group, Field, Combo, Slider, Progress, List, Screen, Check, Edit };

struct ControlSpec {
    int id;
    EControl kind;
    int x, y, w, h;      // dialog units
    const char* caption; // the built-in caption
    const char* section; // language section, null: not translated
    const char* key;
    const char* defaultText; // the language table's default
    int layoutMode;          // CLayoutKeeper mode, -1: placed by the window itself
};
