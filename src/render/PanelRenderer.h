#pragma once
// The panel's drawing routines: the background, the switch catalogue, the
// main frequency display and the main dial, all drawn at once into the
// PanelSurface from the bitmaps of the BitmapStore.
#include <array>
#include <cstdint>
#include <vector>

#include "render/MeterTables.h"
#include "render/PanelSurface.h"

namespace hrx {
class RadioState;
}

namespace hrx::render {

enum class ImageKind : int { Switch, Display };

// One panel element with its state images; index i draws ids[i].
struct SwitchImageGroup {
  ImageKind kind;
  int x, y, width, height;
  int count;
  std::array<int, 11> ids;
};

// Every element of the catalogue by name, in catalogue order.
enum class Switch : int {
#define HRX_PANEL_IMAGE(name, kind, x, y, w, h, ...) name,
#include "render/PanelCatalogue.def"
#undef HRX_PANEL_IMAGE
  Count
};

namespace detail {
template <std::size_t N>
constexpr SwitchImageGroup group(ImageKind kind, int x, int y, int w, int h, const int (&ids)[N]) {
  static_assert(N <= 11);
  SwitchImageGroup g{kind, x, y, w, h, static_cast<int>(N), {}};
  for (std::size_t i = 0; i < N; ++i) g.ids[i] = ids[i];
  return g;
}
}  // namespace detail

inline constexpr SwitchImageGroup kPanelImageCatalogue[] = {
#define HRX_PANEL_IMAGE(name, kind, x, y, w, h, ...) \
  detail::group(ImageKind::kind, x, y, w, h, {__VA_ARGS__}),
#include "render/PanelCatalogue.def"
#undef HRX_PANEL_IMAGE
};
static_assert(std::size(kPanelImageCatalogue) == static_cast<std::size_t>(Switch::Count));

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

// The two strips of the TFT screen drawn in the paint handler.
inline constexpr QRect kMeterStrip{153, 53, 168, 56};
inline constexpr QRect kBlockIconStrip{153, 112, 168, 30};
inline constexpr int kBlockIconBackgroundId = 1540;

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
  // State `state` of every Switch element; the display parts are left to
  // their handlers.
  void drawAllSwitches(int state);
  // The loaded slots of one element, one per state image.
  const std::vector<BitmapSlot>& slots(Switch element) const { return slots_[static_cast<std::size_t>(element)]; }

  void DrawMainFrequency(const RadioState& state, std::int32_t frequency);
  int DrawMainDigit(int glyph, int position, bool highlighted);
  // Digit position 1..8 from the right chosen for editing; 0 = none.
  void setChosenMainDigit(int position) { chosenMainDigit_ = position; }

  // The dial face with its finger mark at `angle` degrees; 360 keeps the
  // last angle (the dial at rest).
  int drawMainDial(int angle);

  // The analog meter strip composed off screen and copied whole: the face
  // of the selected meter, the TX or BUSY lamp, and the needle at `value`
  // (at RM_Meter2 with the meter's label while transmitting). A missing
  // face leaves the strip as it was; a missing needle or lamp only lacks.
  int drawMeterStrip(const RadioState& state, int value);
  // The block-icon strip's ground.
  int drawBlockIconStrip();
  int meterSelection() const { return meterSelection_; }

  PanelSurface& surface() { return surface_; }
  BitmapStore& store() { return store_; }

 private:
  PanelSurface& surface_;
  BitmapStore& store_;
  std::array<std::vector<BitmapSlot>, static_cast<std::size_t>(Switch::Count)> slots_;
  int chosenMainDigit_ = 0;
  int rememberedTx_ = 0;
  int mainDialAngle_ = 90;
  int meterSelection_ = -1;
  QImage dimple_;
};

}  // namespace hrx::render
