#pragma once

// The main window's controls as the operator must find them, written out apart from
// the form description the windows are built from, so that a slip in either shows.

namespace testing_support {

struct ControlRow {
    const char* name;
    const char* parent;
    int left, top, width, height;
    const char* text;
};

// Every control's place as the window lays it out. Labels grow with their text, so only
// their minimum width is fixed.
inline constexpr ControlRow kExpectedControls[] = {
    {"Label1", "Form1", 10, 8, 120, 13, "Detekované karty KOVRA"},
    {"Label2", "Form1", 32, 232, 27, 13, "port 1"},
    {"Label3", "Form1", 32, 256, 27, 13, "port 2"},
    {"Label4", "Form1", 32, 280, 27, 13, "port 3"},
    {"Label5", "Form1", 32, 304, 27, 13, "port 4"},
    {"Label6", "Form1", 148, 233, 11, 13, "0x"},
    {"Label7", "Form1", 148, 257, 11, 13, "0x"},
    {"Label8", "Form1", 148, 281, 11, 13, "0x"},
    {"Label9", "Form1", 148, 305, 11, 13, "0x"},
    {"Label10", "Form1", 78, 215, 11, 13, "IN"},
    {"Label11", "Form1", 96, 215, 23, 13, "OUT"},
    {"Label12", "Form1", 146, 200, 48, 13, "počáteční"},
    {"Label13", "Form1", 149, 214, 39, 13, "hodnota"},
    {"StringGrid1", "Form1", 10, 24, 379, 163, nullptr},
    {"RadioButton4", "Form1", 328, 100, 57, 13, ""},
    {"RadioButton1", "Form1", 328, 46, 57, 13, ""},
    {"RadioButton2", "Form1", 328, 64, 57, 13, ""},
    {"RadioButton3", "Form1", 328, 82, 57, 13, ""},
    {"RadioButton5", "Form1", 328, 118, 57, 13, ""},
    {"RadioButton6", "Form1", 328, 136, 57, 13, ""},
    {"RadioButton7", "Form1", 328, 154, 57, 13, ""},
    {"RadioButton8", "Form1", 328, 172, 57, 13, ""},
    {"Button1", "Form1", 248, 247, 113, 25, "Zapsat do EEPROM"},
    {"Button2", "Form1", 272, 303, 67, 25, "Konec"},
    {"StatusBar1", "Form1", 0, 346, 401, 19, nullptr},
    {"Edit1", "Form1", 164, 230, 23, 21, "00"},
    {"Edit2", "Form1", 164, 254, 23, 21, "00"},
    {"Edit3", "Form1", 164, 278, 23, 21, "00"},
    {"Edit4", "Form1", 164, 302, 23, 21, "00"},
    {"Button3", "Form1", 248, 215, 113, 25, "Přečíst z EEPROM"},
    {"Panel1", "Form1", 77, 232, 49, 17, nullptr},
    {"RadioButton9", "Panel1", 0, 0, 17, 17, ""},
    {"RadioButton13", "Panel1", 24, 0, 17, 17, ""},
    {"Panel2", "Form1", 77, 256, 41, 17, nullptr},
    {"RadioButton10", "Panel2", 0, 0, 17, 17, ""},
    {"RadioButton14", "Panel2", 24, 0, 17, 17, ""},
    {"Panel3", "Form1", 77, 280, 41, 17, nullptr},
    {"RadioButton11", "Panel3", 0, 0, 17, 17, ""},
    {"RadioButton15", "Panel3", 24, 0, 17, 17, ""},
    {"Panel4", "Form1", 77, 304, 41, 17, nullptr},
    {"RadioButton12", "Panel4", 0, 0, 17, 17, ""},
    {"RadioButton16", "Panel4", 24, 0, 17, 17, ""},
};

} // namespace testing_support
