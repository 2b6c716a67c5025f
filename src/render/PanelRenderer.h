#pragma once
// The panel's drawing routines: the background, the switch catalogue, the
// main frequency display and the main dial, all drawn at once into the
// PanelSurface from the bitmaps of the BitmapStore.
#include <array>
#include <cstdint>
#include <vector>

#include "render/PanelSurface.h"

namespace hrx {
class RadioState;
}

namespace hrx::render {

// One panel element with its state images; index i draws ids[i].
struct SwitchImageGroup {
  int x, y, width, height;
  int count;
  std::array<int, 8> ids;
};

enum class Switch : int { OnOff, Tune, Com, Ant, Ipo, Att, RFlt, Nb, Agc, Menu, Count };

inline constexpr SwitchImageGroup kSwitchCatalogue[] = {
    {18, 48, 32, 25, 4, {1225, 1224, 1227, 1226}},    // ON/OFF
    {17, 94, 33, 23, 2, {1228, 1229}},                // TUNE
    {14, 130, 40, 29, 4, {1962, 1961, 1960, 1963}},   // COM lamp
    {90, 59, 45, 14, 2, {1231, 1230}},                // ANT
    {90, 85, 45, 15, 2, {1238, 1237}},                // IPO
    {90, 112, 45, 15, 2, {1236, 1235}},               // ATT
    {90, 138, 45, 15, 2, {1233, 1243}},               // R.FLT
    {90, 164, 45, 15, 2, {1242, 1241}},               // NB
    {90, 190, 45, 16, 2, {1234, 1232}},               // AGC
    {459, 99, 30, 13, 2, {1240, 1239}},               // MENU
};
static_assert(std::size(kSwitchCatalogue) == static_cast<std::size_t>(Switch::Count));

// Main frequency display.
inline constexpr std::array<int, 8> kMainDigitX = {621, 641, 664, 684, 704, 727, 747, 767};
inline constexpr int kMainDigitY = 53;
inline constexpr int kMainDigitWidth = 18;
inline constexpr int kMainDigitHeight = 26;
inline constexpr std::array<int, 10> kMainGlyph = {1331, 1332, 1333, 1334, 1347, 1335, 1336, 1337, 1338, 1339};
inline constexpr std::array<int, 10> kMainGlyphChosen = {1951, 1952, 1953, 1954, 1955, 1956, 1957, 1958, 1959, 1950};
inline constexpr int kMainGlyphBlank = 1330;
inline constexpr int kGlyphBlank = 10;
inline constexpr int kGlyphToneT = 116;
inline constexpr int kGlyphToneD = 100;
inline constexpr int kMainToneT = 2040;
inline constexpr int kMainToneD = 2041;
inline constexpr int kMainPointLit = 1340;
inline constexpr int kMainPointBlank = 1351;
inline constexpr int kMainMhzPointX = 659;
inline constexpr int kMainKhzPointX = 721;
inline constexpr int kMainPointY = 75;

// Main tuning dial.
inline constexpr int kMainDialId = 1328;
inline constexpr int kMainDialX = 623;
inline constexpr int kMainDialY = 111;
inline constexpr int kDialAtRest = 360;

class PanelRenderer {
 public:
  PanelRenderer(PanelSurface& surface, BitmapStore& store) : surface_(surface), store_(store) {}

  // Turns the catalogue into slots once; an id without a bitmap gives an
  // empty slot, which later draws nothing.
  void LoadPanelImages();
  int drawBackground();
  // State image `state` of one element; a failure skips only that element.
  int drawSwitch(Switch element, int state);
  void drawAllSwitches(int state);

  void DrawMainFrequency(const RadioState& state, std::int32_t frequency);
  int DrawMainDigit(int glyph, int position, bool highlighted);
  // Digit position 1..8 from the right chosen for editing; 0 = none.
  void setChosenMainDigit(int position) { chosenMainDigit_ = position; }

  // The dial face with its finger mark at `angle` degrees; 360 keeps the
  // last angle (the dial at rest).
  int drawMainDial(int angle);

  PanelSurface& surface() { return surface_; }
  BitmapStore& store() { return store_; }

 private:
  PanelSurface& surface_;
  BitmapStore& store_;
  std::array<std::vector<BitmapSlot>, static_cast<std::size_t>(Switch::Count)> slots_;
  int chosenMainDigit_ = 0;
  int rememberedTx_ = 0;
  int mainDialAngle_ = 90;
  QImage dimple_;
};

}  // namespace hrx::render
