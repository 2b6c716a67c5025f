#pragma once
// The built-in menu item catalogue: the radio's 196 set-up menu items as
// constant data. Rows name their choice set by number (kMenuChoiceSets[n] is
// set Sn; 0 = none). A null unit means the item shows no unit; an empty unit
// means it shows one that happens to be empty. Names keep their trailing
// blanks: they are part of the name. Read only; the live values are in the
// catalogue of RadioState.
#include <cstddef>
#include <iterator>

namespace hrx {

struct MenuChoiceSet {
  const char* const* items;
  std::size_t count;
};

struct MenuRowDef {
  int no;
  const char* name;
  const char* range;
  int type;
  int width;
  double value;        // initial value, in the item's stored unit
  const char* unit;    // nullptr: has_unit clear
  double min, max, step;
  int choice_set;      // 0: none
  const char* text;    // initial text of a text item (goes into choice[0])
};

// Choice sets S1..S72; entries in index order.
inline constexpr const char* kS1[] = {"NORMAL", "SLOPE"};
inline constexpr const char* kS2[] = {"CLAR", "CW TUNE", "uTUNE"};
inline constexpr const char* kS3[] = {"ANALOG", "BAR"};
inline constexpr const char* kS4[] = {"OFF", "0.5sec", "1.0sec", "2.0sec"};
inline constexpr const char* kS5[] = {"0", "90", "180", "270"};
inline constexpr const char* kS6[] = {"OFF", "BUG", "ELEKEY", "ACS"};
inline constexpr const char* kS7[] = {"NOR", "REV"};
inline constexpr const char* kS8[] = {"ELEKEY-A", "ELEKEY-B"};
inline constexpr const char* kS9[] = {"OFF"};
inline constexpr const char* kS10[] = {"1290", "AUNO", "AUNT", "A2NO", "A2NT", "12NO", "12NT"};
inline constexpr const char* kS11[] = {"TEXT", "MESSAGE"};
inline constexpr const char* kS12[] = {"BAND", "STACK"};
inline constexpr const char* kS13[] = {"TRX", "R3-1", "R3-2"};
inline constexpr const char* kS14[] = {"RF", "SQL"};
inline constexpr const char* kS15[] = {"RS232C", "USB"};
inline constexpr const char* kS16[] = {"4800", "9600", "19200", "38400"};
inline constexpr const char* kS17[] = {"10", "100", "1000", "3000"};
inline constexpr const char* kS18[] = {"DISABLE", "ENABLE"};
inline constexpr const char* kS19[] = {"OFF", "1min", "2min", "3min", "4min", "5min", "6min", "7min", "8min", "9min", "10min", "11min", "12min", "13min", "14min", "15min", "16min", "17min", "18min", "19min", "20min", "21min", "22min", "23min", "24min", "25min", "26min", "27min", "28min", "29min", "30min"};
inline constexpr const char* kS20[] = {"DIAL STEP-2", "DIAL STEP-1"};
inline constexpr const char* kS21[] = {"PAUSE", "TIME"};
inline constexpr const char* kS22[] = {"OFF", "100Hz", "150Hz", "200Hz", "250Hz", "300Hz", "350Hz", "400Hz", "450Hz", "500Hz", "550Hz", "600Hz", "650Hz", "700Hz", "750Hz", "800Hz", "850Hz", "900Hz", "950Hz", "1000Hz"};
inline constexpr const char* kS23[] = {"6dB/oct", "18dB/oct"};
inline constexpr const char* kS24[] = {"OFF", "700Hz", "750Hz", "800Hz", "850Hz", "900Hz", "950Hz", "1000Hz", "1050Hz", "1100Hz", "1150Hz", "1200Hz", "1250Hz", "1300Hz", "1350Hz", "1400Hz", "1450Hz", "1500Hz", "1550Hz", "1600Hz", "1650Hz", "1700Hz", "1750Hz", "1800Hz", "1850Hz", "1900Hz", "1950Hz", "2000Hz", "2050Hz", "2100Hz", "2150Hz", "2200Hz", "2250Hz", "2300Hz", "2350Hz", "2400Hz", "2450Hz", "2500Hz", "2550Hz", "2600Hz", "2650Hz", "2700Hz", "2750Hz", "2800Hz", "2850Hz", "2900Hz", "2950Hz", "3000Hz", "3050Hz", "3100Hz", "3150Hz", "3200Hz", "3250Hz", "3300Hz", "3350Hz", "3400Hz", "3450Hz", "3500Hz", "3550Hz", "3600Hz", "3650Hz", "3700Hz", "3750Hz", "3800Hz", "3850Hz", "3900Hz", "3950Hz", "4000Hz"};
inline constexpr const char* kS25[] = {"MCVR", "FIX"};
inline constexpr const char* kS26[] = {"FRONT", "DATA", "USB"};
inline constexpr const char* kS27[] = {"300", "310", "320", "330", "340", "350", "360", "370", "380", "390", "400", "410", "420", "430", "440", "450", "460", "470", "480", "490", "500", "510", "520", "530", "540", "550", "560", "570", "580", "590", "600", "610", "620", "630", "640", "650", "660", "670", "680", "690", "700", "710", "720", "730", "740", "750", "760", "770", "780", "790", "800", "810", "820", "830", "840", "850", "860", "870", "880", "890", "900", "910", "920", "930", "940", "950", "960", "970", "980", "990", "1000", "1010", "1020", "1030", "1040", "1050"};
inline constexpr const char* kS28[] = {"OFF", "50M", "ON"};
inline constexpr const char* kS29[] = {"USB", "LSB", "AUTO"};
inline constexpr const char* kS30[] = {"SEMI", "FULL"};
inline constexpr const char* kS31[] = {"1", "2", "4", "6"};
inline constexpr const char* kS32[] = {"DIRECT FREQ", "PITCH OFFSET"};
inline constexpr const char* kS33[] = {"OFF", "DTR", "RTS"};
inline constexpr const char* kS34[] = {"15", "20", "25", "30"};
inline constexpr const char* kS35[] = {"PSK", "OTHERS"};
inline constexpr const char* kS36[] = {"1000", "1500", "2000"};
inline constexpr const char* kS37[] = {"DATA", "USB"};
inline constexpr const char* kS38[] = {"67.0", "69.3", "71.9", "74.4", "77.0", "79.7", "82.5", "85.4", "88.5", "91.5", "94.8", "97.4", "100.0", "103.5", "107.2", "110.9", "114.8", "118.8", "123.0", "127.3", "131.8", "136.5", "141.3", "146.2", "151.4", "156.7", "159.8", "162.2", "165.5", "167.9", "171.3", "173.8", "177.3", "179.9", "183.5", "186.2", "189.9", "192.8", "196.6", "199.5", "203.5", "206.5", "210.7", "218.1", "225.7", "229.1", "233.6", "241.8", "250.3", "254.1"};
inline constexpr const char* kS39[] = {"REAR", "USB"};
inline constexpr const char* kS40[] = {"170", "200", "425", "850"};
inline constexpr const char* kS41[] = {"1275", "2125"};
inline constexpr const char* kS42[] = {"50-3000", "100-2900", "200-2800", "300-2700", "400-2600", "3000WB"};
inline constexpr const char* kS43[] = {"NARROW", "MEDIUM", "WIDE"};
inline constexpr const char* kS44[] = {"NARROW", "WIDE"};
inline constexpr const char* kS45[] = {"SOFT", "SHARP"};
inline constexpr const char* kS46[] = {"STEEP", "MEDIUM", "GENTLE"};
inline constexpr const char* kS47[] = {"CENTER", "FIX"};
inline constexpr const char* kS48[] = {"FAST", "SLOW"};
inline constexpr const char* kS49[] = {"OFF", "3sec", "5sec", "10sec"};
inline constexpr const char* kS50[] = {"0.5", "1", "2", "4", "8", "16"};
inline constexpr const char* kS51[] = {"20", "50", "100", "200", "500", "1000"};
inline constexpr const char* kS52[] = {"1Hz", "5Hz", "10Hz"};
inline constexpr const char* kS53[] = {"10Hz", "100Hz"};
inline constexpr const char* kS54[] = {"2.5", "5", "9", "10", "12.5"};
inline constexpr const char* kS55[] = {"5", "6.25", "10", "12.5", "20", "25"};
inline constexpr const char* kS56[] = {"1MHz", "100kHz"};
inline constexpr const char* kS57[] = {"OFF", "100Hz", "200Hz", "300Hz", "400Hz", "500Hz", "600Hz", "700Hz"};
inline constexpr const char* kS58[] = {"OFF", "700Hz", "800Hz", "900Hz", "1000Hz", "1100Hz", "1200Hz", "1300Hz", "1400Hz", "1500Hz"};
inline constexpr const char* kS59[] = {"OFF", "1500Hz", "1600Hz", "1700Hz", "1800Hz", "1900Hz", "2000Hz", "2100Hz", "2200Hz", "2300Hz", "2400Hz", "2500Hz", "2600Hz", "2700Hz", "2800Hz", "2900Hz", "3000Hz", "3100Hz", "3200Hz"};
inline constexpr const char* kS60[] = {"10", "20", "50", "100"};
inline constexpr const char* kS61[] = {"INTERNAL", "EXTERNAL"};
inline constexpr const char* kS62[] = {"MIC", "DATA"};
inline constexpr const char* kS63[] = {"SPECTRAM", "WATER FALL"};
inline constexpr const char* kS64[] = {"0", "10", "20"};
inline constexpr const char* kS65[] = {"25Hz", "50Hz", "100Hz", "250Hz"};
inline constexpr const char* kS66[] = {"OFF", "ON"};
inline constexpr const char* kS67[] = {"CR,LF,CR+LF", "CR+LF"};
inline constexpr const char* kS68[] = {"OFF", "BLANK", "LTRS"};
inline constexpr const char* kS69[] = {"CCITT", "US"};
inline constexpr const char* kS70[] = {"BPSK", "QPSK"};
inline constexpr const char* kS71[] = {"+-8", "+-15", "+-30"};
inline constexpr const char* kS72[] = {"RX-N,TX-N", "RX-R,TX-N", "RX-N,TX-R", "RX-R,TX-R"};
inline constexpr MenuChoiceSet kMenuChoiceSets[] = {
    {nullptr, 0},
    {kS1, std::size(kS1)},
    {kS2, std::size(kS2)},
    {kS3, std::size(kS3)},
    {kS4, std::size(kS4)},
    {kS5, std::size(kS5)},
    {kS6, std::size(kS6)},
    {kS7, std::size(kS7)},
    {kS8, std::size(kS8)},
    {kS9, std::size(kS9)},
    {kS10, std::size(kS10)},
    {kS11, std::size(kS11)},
    {kS12, std::size(kS12)},
    {kS13, std::size(kS13)},
    {kS14, std::size(kS14)},
    {kS15, std::size(kS15)},
    {kS16, std::size(kS16)},
    {kS17, std::size(kS17)},
    {kS18, std::size(kS18)},
    {kS19, std::size(kS19)},
    {kS20, std::size(kS20)},
    {kS21, std::size(kS21)},
    {kS22, std::size(kS22)},
    {kS23, std::size(kS23)},
    {kS24, std::size(kS24)},
    {kS25, std::size(kS25)},
    {kS26, std::size(kS26)},
    {kS27, std::size(kS27)},
    {kS28, std::size(kS28)},
    {kS29, std::size(kS29)},
    {kS30, std::size(kS30)},
    {kS31, std::size(kS31)},
    {kS32, std::size(kS32)},
    {kS33, std::size(kS33)},
    {kS34, std::size(kS34)},
    {kS35, std::size(kS35)},
    {kS36, std::size(kS36)},
    {kS37, std::size(kS37)},
    {kS38, std::size(kS38)},
    {kS39, std::size(kS39)},
    {kS40, std::size(kS40)},
    {kS41, std::size(kS41)},
    {kS42, std::size(kS42)},
    {kS43, std::size(kS43)},
    {kS44, std::size(kS44)},
    {kS45, std::size(kS45)},
    {kS46, std::size(kS46)},
    {kS47, std::size(kS47)},
    {kS48, std::size(kS48)},
    {kS49, std::size(kS49)},
    {kS50, std::size(kS50)},
    {kS51, std::size(kS51)},
    {kS52, std::size(kS52)},
    {kS53, std::size(kS53)},
    {kS54, std::size(kS54)},
    {kS55, std::size(kS55)},
    {kS56, std::size(kS56)},
    {kS57, std::size(kS57)},
    {kS58, std::size(kS58)},
    {kS59, std::size(kS59)},
    {kS60, std::size(kS60)},
    {kS61, std::size(kS61)},
    {kS62, std::size(kS62)},
    {kS63, std::size(kS63)},
    {kS64, std::size(kS64)},
    {kS65, std::size(kS65)},
    {kS66, std::size(kS66)},
    {kS67, std::size(kS67)},
    {kS68, std::size(kS68)},
    {kS69, std::size(kS69)},
    {kS70, std::size(kS70)},
    {kS71, std::size(kS71)},
    {kS72, std::size(kS72)},
};
inline constexpr MenuRowDef kMenuRows[] = {
    {1, "FAST DELAY", "20-4000 (20msec Steps)", 0, 4, 300, "msec", 20, 4000, 20, 0, nullptr},
    {2, "MID DELAY", "20-4000 (20msec Steps)", 0, 4, 700, "msec", 20, 4000, 20, 0, nullptr},
    {3, "SLOW DELAY", "20-4000 (20msec Steps)", 0, 4, 3000, "msec", 20, 4000, 20, 0, nullptr},
    {4, "AGC-SLOPE", "NORMAL/SLOPE", 1, 1, 0, nullptr, 0, 1, 1, 1, nullptr},
    {5, "MY CALL", "MAX 12 character", 41, 12, 0, nullptr, 0, 0, 0, 0, "MARVO"},
    {6, "MY CALL TIME", "0-5(sec)", 0, 1, 0, "sec", 0, 5, 1, 0, nullptr},
    {7, "DIMMER-VFO", "0-15", 0, 2, 8, nullptr, 0, 15, 1, 0, nullptr},
    {8, "DIMMER-BACKLIGHT", "0-15", 0, 2, 8, nullptr, 0, 15, 1, 0, nullptr},
    {9, "DIMMER-TFT", "0-15", 0, 2, 8, nullptr, 0, 15, 1, 0, nullptr},
    {10, "BAR DISPLAY SELECT", "CLAR/CW TUNE/uTUNE", 37, 1, 1, nullptr, 0, 2, 1, 2, nullptr},
    {11, "METER TYPE SELECT", "ANALOG/BAR", 37, 1, 0, nullptr, 0, 0, 0, 3, nullptr},
    {12, "BAR MTR PEAK HOLD", "OFF/0.5/1.0/2.0 (sec)", 1, 1, 0, nullptr, 0, 0, 0, 4, nullptr},
    {13, "ROTATOR START UP", "0/90/180/270", 1, 1, 0, nullptr, 0, 0, 0, 5, nullptr},
    {14, "ROTATOR OFFSET ADJ", "-30-0 (2 Steps)", 8, 2, 0, nullptr, 30, 0, 2, 0, nullptr},
    {15, "RX OUT LEVEL", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {16, "TX OUT LEVEL", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {17, "F-KEYER TYPE", "OFF/BUG/ELEKEY/ACS", 1, 1, 2, nullptr, 0, 0, 0, 6, nullptr},
    {18, "F-CW KEYER", "NOR/REV", 1, 1, 0, nullptr, 0, 0, 0, 7, nullptr},
    {19, "R-KEYER TYPE", "OFF/BUG/ELEKEY/ACS", 1, 1, 2, nullptr, 0, 0, 0, 6, nullptr},
    {20, "R-CW KEYER", "NOR/REV", 1, 1, 0, nullptr, 0, 0, 0, 7, nullptr},
    {21, "ELEKEY TYPE", "ELEKEY-A/ELEKEY-B", 1, 1, 1, nullptr, 0, 0, 0, 8, nullptr},
    {22, "CW WEIGHT", "2.5-3.0-4.5", 9, 2, 30, nullptr, 25, 45, 0.1, 0, nullptr},
    {23, "BEACON TIME", "OFF/1-690 (sec)", 16, 3, 0, "sec", 1, 690, 1, 9, nullptr},
    {24, "NUMBER STYLE", "1290/AUNO/AUNT/A2NO/A2NT/12NO/12NT", 1, 1, 0, nullptr, 0, 0, 0, 10, nullptr},
    {25, "CONTEST NUMBER", "0-9999", 0, 4, 1, nullptr, 0, 9999, 1, 0, nullptr},
    {26, "CW MEMORY 1", "TEXT/MESSAGE", 1, 1, 1, nullptr, 0, 0, 0, 11, nullptr},
    {27, "CW MEMORY 2", "TEXT/MESSAGE", 1, 1, 1, nullptr, 0, 0, 0, 11, nullptr},
    {28, "CW MEMORY 3", "TEXT/MESSAGE", 1, 1, 1, nullptr, 0, 0, 0, 11, nullptr},
    {29, "CW MEMORY 4", "TEXT/MESSAGE", 1, 1, 1, nullptr, 0, 0, 0, 11, nullptr},
    {30, "CW MEMORY 5 ", "TEXT/MESSAGE", 1, 1, 1, nullptr, 0, 0, 0, 11, nullptr},
    {31, "ANT SELECT", "BAND/STACK", 1, 1, 0, nullptr, 0, 0, 0, 12, nullptr},
    {32, "ANT3 SETTING", "TRX/R3-1/R3-2", 1, 1, 0, nullptr, 0, 0, 0, 13, nullptr},
    {33, "NB LEVEL", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {34, "BEEP LEVEL", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {35, "MONITOR LEVEL", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {36, "RF/SQL VR ", "RF/SQL", 1, 1, 0, nullptr, 0, 0, 0, 14, nullptr},
    {37, "CAT SELECT ", "RS232C/USB", 1, 1, 1, nullptr, 0, 0, 0, 15, nullptr},
    {38, "CAT RATE", "4800/9600/19200/38400(bps)", 39, 1, 0, "bps", 0, 0, 0, 16, nullptr},
    {39, "CAT TIME OUT TIMER", "10/100/1000/3000(msec)", 1, 1, 0, "msec", 0, 0, 0, 17, nullptr},
    {40, "CAT RTS", "DISABLE/ENABLE", 1, 1, 1, nullptr, 0, 0, 0, 18, nullptr},
    {41, "MEMORY GROUP", "DISABLE/ENABLE", 1, 1, 0, nullptr, 0, 0, 0, 18, nullptr},
    {42, "QUICK SPLIT FREQ", "-20 - +20 (kHz)", 4, 3, 5, "kHz", -20, 20, 1, 0, nullptr},
    {43, "TX TIME OUT TIMER", "OFF/1-30 (min)", 1, 2, 0, nullptr, 0, 0, 0, 19, nullptr},
    {44, "uTUNE DIAL STEP", "DIAL STEP-2/DIAL STEP-1", 1, 1, 1, nullptr, 0, 0, 0, 20, nullptr},
    {45, "MIC SCAN", "DISABLE/ENABLE", 1, 1, 1, nullptr, 0, 0, 0, 18, nullptr},
    {46, "MIC SCAN RESUME", "PAUSE/TIME", 1, 1, 1, nullptr, 0, 0, 0, 21, nullptr},
    {47, "FREQ ADJ", "-25-0-+25", 4, 3, 0, nullptr, -25, 25, 1, 0, nullptr},
    {48, "AM LCUT FREQ", "OFF/100Hz-1000Hz (50Hz Steps)", 1, 2, 0, nullptr, 0, 0, 0, 22, nullptr},
    {49, "AM LCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 0, nullptr, 0, 0, 0, 23, nullptr},
    {50, "AM HCUT FREQ", "OFF/700Hz-4000Hz (50Hz Steps)", 1, 2, 0, nullptr, 0, 0, 0, 24, nullptr},
    {51, "AM HCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 0, nullptr, 0, 0, 0, 23, nullptr},
    {52, "AM MIC GAIN", "MCVR/FIX(0-100)", 13, 4, 30, nullptr, 0, 100, 1, 25, nullptr},
    {53, "AM MIC SEL", "FRONT/DATA/USB", 1, 1, 0, nullptr, 0, 0, 0, 26, nullptr},
    {54, "CW PITCH", "300Hz-1050Hz (10Hz Steps)", 1, 2, 40, "Hz", 0, 0, 0, 27, nullptr},
    {55, "CW LCUT FREQ", "OFF/100Hz-1000Hz (50Hz Steps)", 1, 2, 5, nullptr, 0, 0, 0, 22, nullptr},
    {56, "CW LCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 1, nullptr, 0, 0, 0, 23, nullptr},
    {57, "CW HCUT FREQ", "OFF/700Hz-4000Hz (50Hz Steps)", 1, 2, 7, "Hz", 0, 0, 0, 24, nullptr},
    {58, "CW HCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 0, nullptr, 0, 0, 0, 23, nullptr},
    {59, "CW AUTO MODE ", "OFF/50M/ON", 1, 1, 0, nullptr, 0, 0, 0, 28, nullptr},
    {60, "CW BFO ", "USB/LSB/AUTO", 1, 1, 0, nullptr, 0, 0, 0, 29, nullptr},
    {61, "CW BK-IN ", "SEMI/FULL", 1, 1, 0, nullptr, 0, 0, 0, 30, nullptr},
    {62, "CW BK-IN DELAY", "30-300-3000(msec)", 0, 4, 200, "msec", 30, 3000, 10, 0, nullptr},
    {63, "CW WAVE SHAPE", "1/2/4/6 (msec)", 1, 1, 2, "msec", 0, 0, 0, 31, nullptr},
    {64, "CW FREQ DISPLAY", "DIRECT FREQ/PITCH OFFSET", 1, 1, 1, nullptr, 0, 0, 0, 32, nullptr},
    {65, "PC KEYING", "OFF/DTR/RTS", 1, 1, 0, nullptr, 0, 0, 0, 33, nullptr},
    {66, "QSK", "15/20/25/30 (msec)", 1, 1, 0, "msec", 0, 0, 0, 34, nullptr},
    {67, "DATA MODE", "PSK/OTHERS", 1, 1, 0, nullptr, 0, 0, 0, 35, nullptr},
    {68, "DATA TONE", "1000/1500/2000Hz", 1, 1, 0, "Hz", 0, 0, 0, 36, nullptr},
    {69, "OTHER DISP(SSB)", "-3000-0-3000Hz(10HzStep)", 4, 5, 0, "Hz", -3000, 3000, 10, 0, nullptr},
    {70, "OTHER SHIFT(SSB)", "-3000-0-3000Hz(10HzStep)", 4, 5, 0, "Hz", -3000, 3000, 10, 0, nullptr},
    {71, "DATA LCUT FREQ", "OFF/100Hz-1000Hz (50Hz Steps)", 1, 2, 5, nullptr, 0, 0, 0, 22, nullptr},
    {72, "DATA LCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 1, nullptr, 0, 0, 0, 23, nullptr},
    {73, "DATA HCUT FREQ", "OFF/700Hz-4000Hz (50Hz Steps)", 1, 2, 47, "", 0, 0, 0, 24, nullptr},
    {74, "DATA HCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 1, nullptr, 0, 0, 0, 23, nullptr},
    {75, "DATA IN SELECT", "DATA/USB", 1, 1, 0, nullptr, 0, 0, 0, 37, nullptr},
    {76, "DATA MIC GAIN", "MCVR/FIX(0-100)", 13, 4, 50, nullptr, 0, 100, 1, 25, nullptr},
    {77, "DATA OUT LEVEL", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {78, "DATA VOX GAIN", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {79, "DATA VOX DELAY", "30-300-3000 (msec)", 0, 4, 300, "msec", 30, 3000, 1, 0, nullptr},
    {80, "FM LCUT FREQ", "OFF/100Hz-1000Hz (50Hz Steps)", 1, 2, 4, nullptr, 0, 0, 0, 22, nullptr},
    {81, "FM LCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 1, nullptr, 0, 0, 0, 23, nullptr},
    {82, "FM HCUT FREQ", "OFF/700Hz-4000Hz (50Hz Steps)", 1, 2, 0, nullptr, 0, 0, 0, 24, nullptr},
    {83, "FM HCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 0, nullptr, 0, 0, 0, 23, nullptr},
    {84, "FM MIC GAIN", "MCVR/FIX(0-100)", 13, 4, 50, nullptr, 0, 100, 1, 25, nullptr},
    {85, "FM MIC SEL", "FRONT/DATA/USB", 1, 1, 0, nullptr, 0, 0, 0, 26, nullptr},
    {86, "RPT SHIFT(28MHz)", "0-100-1000kHz (10kHz Steps)", 0, 4, 100, "kHz", 0, 1000, 10, 0, nullptr},
    {87, "RPT SHIFT(50MHz)", "0-100-1000-4000kHz (10kHz Steps)", 0, 4, 1000, "kHz", 0, 4000, 10, 0, nullptr},
    {88, "TONE FREQ", "67.0-254.1Hz", 1, 2, 0, "Hz", 0, 0, 0, 38, nullptr},
    {89, "RTTY LCUT FREQ", "OFF/100Hz-1000Hz (50Hz Steps)", 1, 2, 5, nullptr, 0, 0, 0, 22, nullptr},
    {90, "RTTY LCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 1, nullptr, 0, 0, 0, 23, nullptr},
    {91, "RTTY HCUT FREQ", "OFF/700Hz-4000Hz (50Hz Steps)", 1, 2, 47, nullptr, 0, 0, 0, 24, nullptr},
    {92, "RTTY HCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 1, nullptr, 0, 0, 0, 23, nullptr},
    {93, "RTTY SHIFT PORT", "REAR/USB", 1, 1, 0, nullptr, 0, 0, 0, 39, nullptr},
    {94, "POLARITY-R", "NOR/REV", 1, 1, 0, nullptr, 0, 0, 0, 7, nullptr},
    {95, "POLARITY-T", "NOR/REV", 1, 1, 0, nullptr, 0, 0, 0, 7, nullptr},
    {96, "RTTY OUT LEVEL", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {97, "RTTY SHIFT", "170/200/425/850 (Hz)", 1, 1, 0, "Hz", 0, 0, 0, 40, nullptr},
    {98, "RTTY MARK FREQ", "1275/2125(Hz)", 1, 1, 1, "Hz", 0, 0, 0, 41, nullptr},
    {99, "SSB LCUT FREQ", "OFF/100Hz-1000Hz (50Hz Steps)", 1, 2, 1, nullptr, 0, 0, 0, 22, nullptr},
    {100, "SSB LCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 0, nullptr, 0, 0, 0, 23, nullptr},
    {101, "SSB HCUT FREQ", "OFF/700Hz-4000Hz (50Hz Steps)", 1, 2, 47, nullptr, 0, 0, 0, 24, nullptr},
    {102, "SSB HCUT SLOPE", "6dB/oct / 18dB/oct", 1, 1, 0, nullptr, 0, 0, 0, 23, nullptr},
    {103, "SSB MIC SELECT", "FRONT/DATA/USB", 1, 1, 0, nullptr, 0, 0, 0, 26, nullptr},
    {104, "SSB TX BPF", "50-3000/100-2900/200-2800/300-2700/400-2600 (Hz) /3000 (WB)", 1, 1, 3, "", 0, 0, 0, 42, nullptr},
    {105, "LSB RX CARRIER", "-200Hz-0-+200Hz(10Hz Steps)", 4, 4, 0, "Hz", -200, 200, 10, 0, nullptr},
    {106, "USB RX CARRIER", "-200Hz-0-+200Hz(10Hz Steps)", 4, 4, 0, "Hz", -200, 200, 10, 0, nullptr},
    {107, "APF-WIDTH", "NARROW/MEDIUM/WIDE", 12, 1, 1, nullptr, 0, 0, 0, 43, nullptr},
    {108, "CONTOUR LEVEL", "-40-0-20", 11, 3, -15, nullptr, -40, 20, 1, 0, nullptr},
    {109, "CONTOUR WIDTH", "1-11", 0, 2, 10, nullptr, 1, 11, 1, 0, nullptr},
    {110, "DNR LEVEL", "1-15", 0, 2, 3, nullptr, 1, 15, 1, 0, nullptr},
    {111, "IF NOTCH WIDTH", "NARROW/WIDE", 12, 1, 1, nullptr, 0, 0, 0, 44, nullptr},
    {112, "HF-CW SHAPE", "SOFT/SHARP", 1, 1, 0, nullptr, 0, 0, 0, 45, nullptr},
    {113, "HF-CW SLOPE", "STEEP/MEDIUM/GENTLE", 1, 1, 1, nullptr, 0, 0, 0, 46, nullptr},
    {114, "6M-CW SHAPE", "SOFT/SHARP", 1, 1, 0, nullptr, 0, 0, 0, 45, nullptr},
    {115, "6M-CW SLOPE", "STEEP/MEDIUM/GENTLE", 1, 1, 1, nullptr, 0, 0, 0, 46, nullptr},
    {116, "HF-PSK SHAPE", "SOFT/SHARP", 1, 1, 1, nullptr, 0, 0, 0, 45, nullptr},
    {117, "HF-PSK SLOPE", "STEEP/MEDIUM/GENTLE", 1, 1, 1, nullptr, 0, 0, 0, 46, nullptr},
    {118, "HF-FSK SHAPE", "SOFT/SHARP", 1, 1, 1, nullptr, 0, 0, 0, 45, nullptr},
    {119, "HF-FSK SLOPE", "STEEP/MEDIUM/GENTLE", 1, 1, 1, nullptr, 0, 0, 0, 46, nullptr},
    {120, "HF-SSB SHAPE", "SOFT/SHARP", 1, 1, 1, nullptr, 0, 0, 0, 45, nullptr},
    {121, "HF-SSB SLOPE", "STEEP/MEDIUM/GENTLE", 1, 1, 1, nullptr, 0, 0, 0, 46, nullptr},
    {122, "6M-SSB SHAPE", "SOFT/SHARP", 1, 1, 0, nullptr, 0, 0, 0, 45, nullptr},
    {123, "6M-SSB SLOPE", "STEEP/MEDIUM/GENTLE", 1, 1, 1, nullptr, 0, 0, 0, 46, nullptr},
    {124, "SCOPE MODE", "CENTER/FIX", 1, 1, 1, nullptr, 0, 0, 0, 47, nullptr},
    {125, "SCOPE SPEED", "FAST/SLOW", 1, 1, 0, nullptr, 0, 0, 0, 48, nullptr},
    {126, "SCOPE AUTO TIME", "OFF/3/5/10(sec)", 1, 1, 1, nullptr, 0, 0, 0, 49, nullptr},
    {127, "START DIAL SPEED", "0.5k/1k/2k/4k/8k/16kHz", 1, 1, 4, "kHz/sec", 0, 0, 0, 50, nullptr},
    {128, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 2, "kHz", 0, 0, 0, 51, nullptr},
    {129, "MAIN FIX 1.8MHz", "1.800MHz - 1.999MHz (1kHz  Steps)", 10, 5, 1800, "kHz", 1800, 1999, 0.001, 0, nullptr},
    {130, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 3, "kHz", 0, 0, 0, 51, nullptr},
    {131, "MAIN FIX 3.5MHz", "3.500MHz - 3.999MHz (1kHz  Steps)", 10, 5, 3500, "kHz", 3500, 3999, 0.001, 0, nullptr},
    {132, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 4, "kHz", 0, 0, 0, 51, nullptr},
    {133, "MAIN FIX 5.0MHz", "5.250MHz - 5.499MHz (1kHz  Steps)", 10, 5, 5250, "kHz", 5250, 5499, 0.001, 0, nullptr},
    {134, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 3, "kHz", 0, 0, 0, 51, nullptr},
    {135, "MAIN FIX 7.0MHz", "7.000MHz - 7.299MHz (1kHz  Steps)", 10, 5, 7000, "kHz", 7000, 7299, 0.001, 0, nullptr},
    {136, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 4, "kHz", 0, 0, 0, 51, nullptr},
    {137, "MAIN FIX 10MHz", "10.100MHz - 10.149MHz (1kHz  Steps)", 10, 5, 10100, "kHz", 10100, 10149, 0.001, 0, nullptr},
    {138, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 1, "kHz", 0, 0, 0, 51, nullptr},
    {139, "MAIN FIX 14MHz", "14.000MHz - 14.349MHz (1kHz  Steps)", 10, 5, 14000, "kHz", 14000, 14349, 0.001, 0, nullptr},
    {140, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 4, "kHz", 0, 0, 0, 51, nullptr},
    {141, "MAIN FIX 18MHz", "18.000MHz - 18.199MHz (1kHz  Steps)", 10, 5, 18068, "kHz", 18000, 18199, 0.001, 0, nullptr},
    {142, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 2, "kHz", 0, 0, 0, 51, nullptr},
    {143, "MAIN FIX 21MHz", "21.000MHz - 21.449MHz (1kHz  Steps)", 10, 5, 21000, "kHz", 21000, 21449, 0.001, 0, nullptr},
    {144, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 4, "kHz", 0, 0, 0, 51, nullptr},
    {145, "MAIN FIX 24MHz", "24.800MHz - 24.989MHz (1kHz  Steps)", 10, 5, 24890, "kHz", 24800, 24989, 0.001, 0, nullptr},
    {146, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 2, "kHz", 0, 0, 0, 51, nullptr},
    {147, "MAIN FIX 28MHz", "28.000MHz - 29.699MHz (1kHz  Steps)", 10, 5, 28000, "kHz", 28000, 29699, 0.001, 0, nullptr},
    {148, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 5, "kHz", 0, 0, 0, 51, nullptr},
    {149, "MAIN FIX 50MHz", "50.000MHz - 53.999MHz (1kHz  Steps)", 10, 5, 50000, "kHz", 50000, 53999, 0.001, 0, nullptr},
    {150, "SPAN FREQ", "20k/50k/100k/200k/500k/1000kHz", 40, 2, 5, "kHz", 0, 0, 0, 51, nullptr},
    {151, "CW DIAL STEP", "1/5/10Hz", 1, 1, 2, nullptr, 0, 0, 0, 52, nullptr},
    {152, "DATA DIAL STEP", "1/5/10Hz", 1, 1, 1, nullptr, 0, 0, 0, 52, nullptr},
    {153, "AM/FM DIAL STEP", "10/100Hz", 1, 1, 1, nullptr, 0, 0, 0, 53, nullptr},
    {154, "RTTY DIAL STEP", "1/5/10Hz", 1, 1, 1, nullptr, 0, 0, 0, 52, nullptr},
    {155, "SSB DIAL STEP", "1/5/10Hz", 1, 1, 1, nullptr, 0, 0, 0, 52, nullptr},
    {156, "AM CH STEP", "2.5/5/9/10/12.5 (kHz)", 1, 1, 1, "kHz", 0, 0, 0, 54, nullptr},
    {157, "FM CH STEP", "5/6.25/10/12.5/20/25 (kHz)", 1, 1, 0, "kHz", 0, 0, 0, 55, nullptr},
    {158, "1MHz/100kHz SELECT", "1MHz/100kHz", 1, 1, 0, nullptr, 0, 0, 0, 56, nullptr},
    {159, "F-PRMTRC EQ1-FREQ", "OFF/100/200/300/400/500/600/700", 31, 2, 0, nullptr, 0, 0, 0, 57, nullptr},
    {160, "F-PRMTRC EQ1-LEVEL", "-10-0-+10", 25, 3, 5, nullptr, -10, 10, 1, 0, nullptr},
    {161, "F-PRMTRC EQ1-BWTH", "1-10", 19, 2, 10, nullptr, 1, 10, 1, 0, nullptr},
    {162, "F-PRMTRC EQ2-FREQ", "OFF/700/800/900/1000/1100/1200/1300/1400/1500", 32, 2, 0, "", 0, 0, 0, 58, nullptr},
    {163, "F-PRMTRC EQ2-LEVEL", "-10-0-+10", 26, 3, 5, nullptr, -10, 10, 1, 0, nullptr},
    {164, "F-PRMTRC EQ2-BWTH", "1-10", 20, 2, 10, nullptr, 1, 10, 1, 0, nullptr},
    {165, "F-PRMTRC EQ3-FREQ", "OFF/1500/1600/1700/1800/1900/2000/2100/2200/2300/2400/2500/2600/2700/2800/2900/3000/3100/3200", 33, 2, 0, nullptr, 0, 0, 0, 59, nullptr},
    {166, "F-PRMTRC EQ3-LEVEL", "-10-0-+10", 27, 3, 5, nullptr, -10, 10, 1, 0, nullptr},
    {167, "F-PRMTRC EQ3-BWTH", "1-10", 21, 2, 10, nullptr, 1, 10, 1, 0, nullptr},
    {168, "P-PRMTRC EQ1-FREQ", "OFF/100/200/300/400/500/600/700", 34, 2, 2, nullptr, 0, 0, 0, 57, nullptr},
    {169, "P-PRMTRC EQ1-LEVEL", "-10-0-+10", 28, 3, 0, nullptr, -10, 10, 1, 0, nullptr},
    {170, "P-PRMTRC EQ1-BWTH", "1-10", 22, 2, 2, nullptr, 1, 10, 1, 0, nullptr},
    {171, "P-PRMTRC EQ2-FREQ", "OFF/700/800/900/1000/1100/1200/1300/1400/1500", 35, 2, 2, nullptr, 0, 0, 0, 58, nullptr},
    {172, "P-PRMTRC EQ2-LEVEL", "-10-0-+10", 29, 3, 0, nullptr, -10, 10, 1, 0, nullptr},
    {173, "P-PRMTRC EQ2-BWTH", "1-10", 23, 2, 1, nullptr, 1, 10, 1, 0, nullptr},
    {174, "P-PRMTRC EQ3-FREQ", "OFF/1500/1600/1700/1800/1900/2000/2100/2200/2300/2400/2500/2600/2700/2800/2900/3000/3100/3200", 36, 2, 7, nullptr, 0, 0, 0, 59, nullptr},
    {175, "P-PRMTRC EQ3-LEVEL", "-10-0-+10", 30, 3, 0, nullptr, -10, 10, 1, 0, nullptr},
    {176, "P-PRMTRC EQ3-BWTH", "1-10", 24, 2, 1, nullptr, 1, 10, 1, 0, nullptr},
    {177, "TX MAX POWER", "5-100(W)", 0, 3, 100, "W", 5, 100, 1, 0, nullptr},
    {178, "EXT AMP TUNING PWR", "10/20/50/100(W)", 1, 1, 3, "W", 0, 0, 0, 60, nullptr},
    {179, "TUNER SELECT", "INTERNAL/EXTERNAL", 1, 1, 0, nullptr, 0, 0, 0, 61, nullptr},
    {180, "VOX SELECT", "MIC/DATA", 1, 1, 0, nullptr, 0, 0, 0, 62, nullptr},
    {181, "VOX GAIN", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {182, "VOX DELAY", "30-300-3000msec(10msec Steps)", 0, 4, 500, "msec", 30, 3000, 10, 0, nullptr},
    {183, "ANTI VOX GAIN", "0-100", 0, 3, 50, nullptr, 0, 100, 1, 0, nullptr},
    {184, "EMERGENCY FREQ TX", "DISABLE/ENABLE", 1, 1, 0, nullptr, 0, 0, 0, 18, nullptr},
    {185, "FFT DISPLAY MODE", "SPECTRAM/WATER FALL", 1, 1, 1, nullptr, 0, 0, 0, 63, nullptr},
    {186, "FFT ATT", "0/10/20dB", 1, 1, 1, "dB", 0, 0, 0, 64, nullptr},
    {187, "CW DECODE BW", "25/50/100/250Hz", 1, 1, 2, nullptr, 0, 0, 0, 65, nullptr},
    {188, "RX USOS", "OFF/ON", 1, 1, 1, nullptr, 0, 0, 0, 66, nullptr},
    {189, "TX USOS", "OFF/ON", 1, 1, 1, nullptr, 0, 0, 0, 66, nullptr},
    {190, "RX NEW LINE CODE", "CR,LF,CR+LF/CR+LF", 1, 1, 0, nullptr, 0, 0, 0, 67, nullptr},
    {191, "TX AUTO CR+LF", "OFF/ON", 1, 1, 1, nullptr, 0, 0, 0, 66, nullptr},
    {192, "TX DIDDLE", "OFF/BLANK/LTRS", 1, 1, 1, nullptr, 0, 0, 0, 68, nullptr},
    {193, "BAUDOT CODE", "CCITT/US", 1, 1, 1, nullptr, 0, 0, 0, 69, nullptr},
    {194, "PSK MODE", "BPSK/QPSK", 1, 1, 0, nullptr, 0, 0, 0, 70, nullptr},
    {195, "DECODE AFC RANGE", "+-8/+-15/+-30Hz", 1, 1, 1, "Hz", 0, 0, 0, 71, nullptr},
    {196, "QPSK POLARITY REVERSE", "RX-N,TX-N/RX-R,TX-N/RX-N,TX-R,RX-R,TX-R", 1, 1, 0, nullptr, 0, 0, 0, 72, nullptr},
};

inline constexpr int kMenuRowCount = static_cast<int>(std::size(kMenuRows));
inline constexpr int kMenuChoiceSetCount = static_cast<int>(std::size(kMenuChoiceSets)) - 1;

}  // namespace hrx
