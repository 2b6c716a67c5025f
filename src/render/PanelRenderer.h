#pragma once
// The panel's drawing routines: the background, the switch catalogue, the
// main frequency display and the main dial, all drawn at once into the
// PanelSurface from the bitmaps of the BitmapStore.
#include <algorithm>
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

// VFO-B area of the TFT screen.
inline constexpr int kVfoBStripId = 1918;      // the value strip's ground
inline constexpr int kVfoBStripX = 324, kVfoBStripY = 112;
inline constexpr int kVfoBCaptionClearId = 1919;
inline constexpr int kVfoBCaptionId = 1835;
inline constexpr int kVfoBCaptionX = 323, kVfoBCaptionY = 114;
inline constexpr int kVfoBModeX = 354, kVfoBModeY = 115;
// Mode label by the VFO-B mode code; 0 draws none.
inline constexpr std::array<int, 14> kVfoBModeLabel = {0,    1854, 1846, 1856, 1849, 1834, 1853,
                                                       1851, 1852, 1863, 1848, 1849, 1857, 1834};
inline constexpr int kVfoBFastX = 396, kVfoBFastY = 116, kVfoBFastOn = 1847, kVfoBFastOff = 1860;
inline constexpr int kVfoBLockX = 412, kVfoBLockY = 116, kVfoBLockOn = 1850, kVfoBLockOff = 1859;
inline constexpr std::array<int, 8> kVfoBDigitX = {330, 341, 355, 367, 378, 392, 404, 415};
inline constexpr int kVfoBDigitY = 127;
inline constexpr int kVfoBDigitFirst = 1836;   // 1836 + d
inline constexpr int kVfoBDigitBlank = 1976;
inline constexpr std::array<int, 10> kVfoBDigitChosen = {1967, 1968, 1969, 1970, 1971, 1972, 1973, 1974, 1975, 1966};
inline constexpr int kVfoBPoint = 1855, kVfoBPointBlank = 1977;
inline constexpr int kVfoBMhzPointX = 352, kVfoBKhzPointX = 389;
inline constexpr int kSubDialClar = 5;

// TFT screen elements (client pixels).
inline constexpr int kIndicatorRowId = 1867, kIndicatorRowX = 154, kIndicatorRowY = 144;
inline constexpr int kBarScaleId = 1806, kBarScaleX = 359, kBarScaleY = 143;
inline constexpr int kBarSegmentId = 1921, kBarCentreId = 1920, kBarSegmentY = 148, kBarCentreX = 394;
inline constexpr int kSoftKeyBarId = 1979, kSoftKeyBarX = 154, kSoftKeyBarY = 155;
inline constexpr std::array<int, 8> kSoftKeyX = {162, 228, 294, 361, 162, 228, 294, 361};
inline constexpr std::array<int, 8> kSoftKeyY = {168, 168, 168, 168, 188, 188, 188, 188};
inline constexpr int kTftTextY = 127;
inline constexpr int kGlyphBlankId = 1917;
inline constexpr int kBlockIconY = 16;
inline constexpr int kBlockIconSlots = 7;
// The pass-band pictures: main above, sub below, in the filter column.
inline constexpr QRect kPassBandMain{324, 53, 101, 27};
inline constexpr QRect kPassBandSub{324, 82, 101, 27};

// TFT glyph for a character code; codes outside the table draw the blank.
int tftGlyph(int code);

// The temporary value displays of the VFO-B area, in the blink timer's
// order; the memory channel comes last.
enum class TempDisplay : int { Width, Shift, MicGain, ProcLevel, CarrierLevel, Speed, Notch, Contour, Apf, Memory, Count };
inline constexpr int kTempDisplays = static_cast<int>(TempDisplay::Count);
inline constexpr int kTempTicks = 30;   // 3 s of 100 ms blink ticks

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
  // The state index the element was last drawn in (0 before any drawing).
  int shownState(Switch element) const { return shown_[static_cast<std::size_t>(element)]; }

  void DrawMainFrequency(const RadioState& state, std::int32_t frequency);
  int DrawMainDigit(int glyph, int position, bool highlighted);
  // Digit position 1..8 from the right chosen for editing; 0 = none.
  void setChosenMainDigit(int position) { chosenMainDigit_ = position; }

  // The normal content of the VFO-B area, chosen by the sub dial's function
  // (SF): the VFO-B frequency for 1..4, CLAR for 5, µTUNE for 7; in memory
  // recall the area stays empty, and a running temporary display owns it.
  void DrawTFT_VFO_B(const RadioState& state);
  void DrawTFT_VFO_B_Freq(const RadioState& state, std::int32_t frequency);
  // Digit position 1..8 from the right chosen on the VFO-B display; 0 = none.
  void setChosenVfoBDigit(int position) { chosenVfoBDigit_ = position; }

  // The dial face with its finger mark at `angle` degrees; 360 keeps the
  // last angle (the dial at rest).
  int drawMainDial(int angle);

  // The analog meter strip composed off screen and copied whole: the face
  // of the selected meter, the TX or BUSY lamp, and the needle at `value`
  // (at RM_Meter2 with the meter's label while transmitting). A missing
  // face leaves the strip as it was; a missing needle or lamp only lacks.
  // Menu item 11 chooses the bar style, item 12 the bar's peak hold.
  int drawMeterStrip(const RadioState& state, int value);
  // The block-icon strip's ground.
  int drawBlockIconStrip();
  int meterSelection() const { return meterSelection_; }

  // The main display's mode labels (MD_Main) and the sub side's mode lamps
  // (MD_Sub); a mode outside 1..13 leaves a side as it is.
  void drawModeDisplay(const RadioState& state);
  void drawMainFastLock(const RadioState& state);

  // TFT screen.
  void DrawTFT_FuncIndicators(const RadioState& state);
  void DrawTFT_BarDisp(const RadioState& state);
  // The soft-key bar and all eight keys in their remembered pressed states.
  void DrawTFT_Menu(const RadioState& state);
  // Soft key 1..8 pressed (1) or released (0); drawn at once.
  void setSoftKey(int key, int pressed, const RadioState& state);
  int drawSoftKey(int key, const RadioState& state);
  // The image soft key 1..8 shows for `state`; 0 = none.
  int softKeyImage(int key, const RadioState& state) const;
  // The block-icon strip composed off screen and copied whole.
  int DrawTFT_BlockIcon(const RadioState& state);
  // The image of block-icon slot 0..5 (ANT, IPO, ATT, R.FLT, NB, AGC) or 6
  // (the NB caption) for `state`; 0 = none.
  int blockIconImage(int slot, const RadioState& state) const;
  // Ten glyphs of a formatted value at the VFO-B text places.
  void drawTftText(const char* text);
  void DrawTFT_VFO_B_uTUNE(int value);
  void DrawTFT_VFO_B_Clar(int rxClar, int txClar, int offset);
  void drawTempDisplay(TempDisplay d, const RadioState& state);
  // Starts display d for 3 s: only the newest one runs.
  void startTempDisplay(TempDisplay d);
  // The start gate of display d, run for each reply about its control.
  void gateTempDisplay(TempDisplay d, const RadioState& state);
  void clearCountdowns() { countdown_.fill(0); }
  bool countdownRunning() const;
  int countdown(TempDisplay d) const { return countdown_[static_cast<std::size_t>(d)]; }
  // One blink tick: running displays count down and follow their value.
  void OnBlinkTimer(const RadioState& state);

  // Bar meter peak hold: one tick of timer 40; true when a held peak ran
  // out on this tick (the meter is to be drawn again).
  bool peakHoldTick();
  bool peakHoldOn() const { return peakHoldTicks_ > 0; }
  // A held peak is still counting down (the peak-hold ticks have work).
  bool peakHeld() const {
    return std::any_of(bars_.begin(), bars_.end(), [](const Bar& b) { return b.countdown > 0; });
  }
  int heldPeak(int bar) const { return bars_[static_cast<std::size_t>(bar)].held; }

  // The pass-band picture of one side (0 main, 1 sub), drawn only when what
  // shapes it changed since the last draw.
  bool drawPassBand(int side, const RadioState& state);
  // The pictures were lost (a restore): the next draw draws them whatever.
  void forgetPassBands() { passBandValid_ = {}; }

  PanelSurface& surface() { return surface_; }
  BitmapStore& store() { return store_; }

 private:
  PanelSurface& surface_;
  BitmapStore& store_;
  std::array<std::vector<BitmapSlot>, static_cast<std::size_t>(Switch::Count)> slots_;
  std::array<int, static_cast<std::size_t>(Switch::Count)> shown_{};
  int chosenMainDigit_ = 0;
  int rememberedTx_ = 0;
  int mainDialAngle_ = 90;
  int meterSelection_ = -1;
  int chosenVfoBDigit_ = 0;
  // What the VFO-B area last showed: memory state, sub dial function and
  // caption.
  int vfoBMemory_ = 0;
  int vfoBSelection_ = 0;
  int vfoBCaption_ = 0;
  int vfoBSubMode_ = 0;
  int vfoBSuppressed_ = 0;
  int tempCaption_ = 0;
  QImage dimple_;
  std::array<int, kTempDisplays> countdown_{};
  struct Gate {
    int fr = 0, mode = 0, calls = 0;
    bool armed = false;
  };
  std::array<Gate, kTempDisplays> gates_{};
  std::array<int, 8> softKeyPressed_{};
  struct Bar {
    int held = 0, countdown = 0;
  };
  std::array<Bar, 2> bars_{};
  int peakHoldTicks_ = 0;
  int barSelection_ = -1;
  void drawBar(QImage& buffer, int bar, int segments, int top, int bottom);
  void drawVfoBBackground();
  std::array<std::array<int, 8>, 2> passBandDrawn_{};
  std::array<bool, 2> passBandValid_{};
};

}  // namespace hrx::render
