#pragma once
// The analog meter's tables, shared by the renderer and the bitmap
// generator (which paints each needle frame at the place its values need).
#include <array>
#include <cstdint>

namespace hrx::render {

inline constexpr int kNeedleFirstId = 1353;
inline constexpr int kNeedleLastId = 1533;

// Meter value 0..255 -> needle frame id. The frames are not in value order.
inline constexpr std::array<std::int16_t, 256> kNeedleFrame = {
    1353, 1353, 1354, 1369, 1412, 1533, 1532, 1531, 1530, 1529, 1528, 1527, 1526, 1526, 1525, 1524,  // 0-15
    1523, 1415, 1414, 1413, 1522, 1521, 1520, 1519, 1519, 1518, 1517, 1517, 1516, 1515, 1514, 1514,  // 16-31
    1513, 1512, 1512, 1511, 1511, 1510, 1510, 1509, 1508, 1507, 1507, 1506, 1505, 1505, 1504, 1503,  // 32-47
    1503, 1502, 1501, 1500, 1500, 1499, 1498, 1498, 1497, 1496, 1496, 1495, 1495, 1494, 1493, 1493,  // 48-63
    1492, 1491, 1491, 1490, 1489, 1488, 1488, 1487, 1486, 1486, 1411, 1485, 1485, 1484, 1483, 1482,  // 64-79
    1482, 1481, 1480, 1480, 1479, 1478, 1478, 1410, 1410, 1409, 1409, 1408, 1408, 1477, 1477, 1476,  // 80-95
    1476, 1475, 1474, 1473, 1473, 1472, 1471, 1470, 1469, 1469, 1468, 1467, 1466, 1465, 1464, 1464,  // 96-111
    1463, 1463, 1462, 1462, 1461, 1461, 1460, 1460, 1459, 1459, 1458, 1458, 1457, 1457, 1456, 1456,  // 112-127
    1455, 1455, 1454, 1454, 1453, 1452, 1451, 1450, 1450, 1449, 1448, 1447, 1446, 1445, 1445, 1444,  // 128-143
    1443, 1443, 1442, 1441, 1440, 1440, 1439, 1438, 1438, 1437, 1436, 1436, 1435, 1434, 1433, 1433,  // 144-159
    1432, 1431, 1431, 1430, 1429, 1428, 1428, 1427, 1426, 1426, 1425, 1424, 1423, 1422, 1421, 1421,  // 160-175
    1420, 1419, 1419, 1418, 1417, 1417, 1416, 1407, 1406, 1406, 1405, 1404, 1404, 1403, 1402, 1401,  // 176-191
    1400, 1399, 1399, 1398, 1397, 1396, 1396, 1395, 1394, 1393, 1392, 1391, 1390, 1390, 1389, 1388,  // 192-207
    1387, 1387, 1387, 1386, 1386, 1385, 1385, 1384, 1384, 1383, 1383, 1382, 1382, 1381, 1381, 1380,  // 208-223
    1380, 1379, 1379, 1378, 1378, 1377, 1376, 1375, 1375, 1374, 1373, 1373, 1372, 1371, 1371, 1368,  // 224-239
    1367, 1366, 1365, 1370, 1364, 1363, 1362, 1361, 1360, 1359, 1358, 1357, 1356, 1355, 1355, 1355,  // 240-255
};

constexpr bool needleFramesInRange() {
  for (int id : kNeedleFrame)
    if (id < kNeedleFirstId || id > kNeedleLastId) return false;
  return true;
}
static_assert(needleFramesInRange());

// Scale faces by meter selection (MS_Stat 0..5: COMP, ALC, PO, SWR, ID, VDD)
// and the label each shows while transmitting.
inline constexpr int kMeterSelections = 6;
inline constexpr std::array<int, kMeterSelections> kAnalogFace = {1536, 1535, 1538, 1539, 1537, 1534};
inline constexpr std::array<int, kMeterSelections> kAnalogTxLabel = {1926, 1925, 1928, 1929, 1927, 1930};
inline constexpr int kMeterTxLampId = 1922;
inline constexpr int kMeterBusyLampId = 1924;
// Strip coordinates of the lamps and the TX label.
inline constexpr int kMeterLampX = 2, kMeterLampY = 2;
inline constexpr int kMeterTxLabelX = 4, kMeterTxLabelY = 45;
inline constexpr int kTransmitting = 2;   // TxStat while the radio sends

// Bar meter: meter value -> segments 1..63; segment i at strip x = 26 + 2i.
inline constexpr std::array<std::int8_t, 256> kBarSegments = {
    1,  1,  2,  2,  2,  3,  3,  3,  3,  3,  4,  4,  5,  5,  5,  6,    // 0-15
    6,  6,  6,  6,  6,  7,  7,  8,  8,  8,  9,  9,  9,  9,  9,  9,    // 16-31
    9,  9,  9,  9,  9,  9,  9,  9,  11, 11, 11, 11, 11, 14, 14, 14,   // 32-47
    14, 14, 14, 15, 15, 15, 15, 15, 16, 16, 16, 16, 16, 16, 17, 17,   // 48-63
    17, 18, 18, 18, 18, 19, 19, 19, 20, 20, 21, 21, 21, 21, 22, 22,   // 64-79
    22, 22, 22, 22, 22, 23, 23, 23, 23, 24, 24, 24, 24, 24, 25, 25,   // 80-95
    25, 25, 25, 26, 26, 27, 27, 28, 28, 28, 28, 28, 28, 28, 28, 29,   // 96-111
    29, 29, 29, 29, 29, 30, 30, 30, 30, 31, 31, 31, 31, 32, 32, 32,   // 112-127
    32, 32, 33, 33, 33, 33, 34, 34, 34, 34, 35, 35, 35, 35, 35, 35,   // 128-143
    35, 35, 36, 36, 37, 37, 38, 38, 38, 38, 39, 39, 39, 39, 40, 40,   // 144-159
    40, 40, 41, 41, 41, 41, 41, 41, 41, 41, 42, 42, 43, 43, 44, 44,   // 160-175
    44, 44, 45, 45, 45, 45, 46, 46, 47, 47, 47, 47, 47, 47, 48, 48,   // 176-191
    48, 48, 48, 49, 49, 49, 49, 49, 50, 50, 50, 50, 50, 51, 51, 51,   // 192-207
    51, 52, 52, 52, 53, 53, 54, 54, 54, 54, 54, 55, 55, 55, 56, 56,   // 208-223
    56, 56, 57, 57, 57, 57, 58, 58, 58, 58, 59, 59, 59, 59, 60, 60,   // 224-239
    60, 60, 60, 60, 60, 61, 61, 61, 61, 61, 62, 62, 62, 62, 62, 63,   // 240-255
};
inline constexpr std::array<int, kMeterSelections> kBarFace = {1802, 1801, 1804, 1805, 1803, 1800};
inline constexpr int kBarPoLabelId = 1923;
inline constexpr int kBarFirstX = 26;
inline constexpr int kMeterTypeItem = 11;   // menu item: 0 analog, else bar
inline constexpr int kPeakHoldItem = 12;    // menu item: peak hold time
inline constexpr int kAnt3Item = 32;        // menu item: antenna 3 setting
inline constexpr int kSelectionPo = 2;

// Peak hold time in 40 ms ticks from the peak-hold setting; 0 = off.
constexpr int peakHoldTicks(int setting) {
  if (setting == 0) return 0;
  if (setting == 2) return 25;
  if (setting == 3) return 50;
  return 12;
}

// Index of the WIDTH control -> pass-band width in Hz for `mode`.
constexpr int widthHz(int mode, int index, bool narrow) {
  constexpr int kSsb[] = {200,  400,  600,  850,  1100, 1350, 1500, 1650, 1800, 1950, 2100, 2200, 2300,
                          2400, 2500, 2600, 2700, 2800, 2900, 3000, 3200, 3400, 3600, 3800, 4000};
  constexpr int kOther[] = {50, 100, 150, 200, 250, 300, 350, 400, 450, 500, 800, 1200, 1400, 1700, 2000, 2400};
  if (mode == 1 || mode == 2) return index >= 1 && index <= 25 ? kSsb[index - 1] : 0;
  if (mode == 4 || mode == 11) return narrow ? 9000 : 16000;
  if (mode == 5 || mode == 13) return 0;
  return index >= 1 && index <= 16 ? kOther[index - 1] : 0;
}

}  // namespace hrx::render
