#pragma once
// The drawn panel: one 1024 x 335 image in client pixels that the main
// window shows unscaled, the bitmap resources loaded by numeric id, and the
// transparent drawing every element goes through.
#include <QImage>
#include <QRect>
#include <functional>
#include <unordered_map>

namespace hrx::render {

inline constexpr int kPanelWidth = 1024;
inline constexpr int kPanelHeight = 335;
inline constexpr int kPanelBackgroundId = 1221;

// Key colours: the pixels of this colour are left out when drawing.
inline constexpr QRgb kKeyMagenta = 0xFFFF00FF;   // TFT, VFO, meter and block-icon images
inline constexpr QRgb kKeyGreen = 0xFF00FF00;     // switch catalogue and knob images
inline constexpr QRgb kKeyBlack = 0xFF000000;     // analog-meter needle frames

// Result codes of DrawBitmap.
inline constexpr int kDrawn = 0;
inline constexpr int kSizeUnreadable = -1;
inline constexpr int kNoBitmap = -2;
inline constexpr int kNoMemoryContext = -3;
inline constexpr int kSelectFailed = -4;
inline constexpr int kBlitFailed = -5;

// Loads the embedded bitmaps once each; a missing id stays missing.
class BitmapStore {
 public:
  BitmapStore();
  // nullptr when the program has no bitmap with this id.
  const QImage* LoadBitmap(int id);
  // Makes `id` missing from now on, as if it had never been carried.
  void forget(int id);
  // The twice-size image (<id>@2x.png) of a bitmap this store loaded;
  // nullptr for any other image or when the program carries none.
  const QImage* hiRes(const QImage* bitmap);

 private:
  std::unordered_map<int, QImage> cache_;
  // Keyed by the address of the loaded image, which never moves.
  std::unordered_map<const QImage*, QImage> hiRes_;
  std::unordered_map<const QImage*, int> ids_;
};

// A loaded bitmap and where it goes on the panel.
struct BitmapSlot {
  const QImage* bitmap = nullptr;
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  int reserved1 = 0;
  int reserved2 = 0;
};

// Draws `bitmap` into `target` at (x, y), leaving out the key colour;
// returns the rectangle drawn, empty when no pixel changed.
QRect blitKeyed(QImage& target, const QImage& bitmap, int x, int y, QRgb key);

// A copy of `bitmap` with its key-colour pixels transparent, for the
// window system's own drawing (the window icon).
QImage keyedToAlpha(const QImage& bitmap, QRgb key);

// The off-screen form used to compose a strip: loads `id` and draws it into
// the `target` buffer. Result codes as for PanelSurface::DrawBitmap.
int DrawBitmap(BitmapStore& store, int id, QImage& target, int x, int y, QRgb key);

// The panel is specified, hit-tested and drawn in its own pixels (image());
// on a screen of device pixel ratio 2 the surface also keeps a twice-size
// copy (hiResImage()) into which every draw puts the bitmap's @2x image,
// or the bitmap doubled where it has none.
class PanelSurface {
 public:
  PanelSurface();
  const QImage& image() const { return image_; }
  // Starts the twice-size copy from what is drawn so far; `store` names the
  // @2x images of its bitmaps and must outlive the surface.
  void enableHiRes(BitmapStore& store);
  // Null until enableHiRes; device pixel ratio 2.
  const QImage& hiResImage() const { return hiRes_; }
  // Told about every changed rectangle, so the widget can show it at once.
  void setDamageListener(std::function<void(const QRect&)> listener) { damage_ = std::move(listener); }

  // Draws the whole bitmap with its top-left corner at (x, y), leaving out
  // pixels of the key colour.
  int DrawBitmap(const QImage* bitmap, int x, int y, QRgb key);
  // The slot's bitmap at the slot's place with KeyGreen; a slot without a
  // bitmap or with a width or height below 1 is refused.
  int DrawBitmap(const BitmapSlot& slot);
  // Copies a whole bitmap, key colour and all (the panel background).
  int CopyBitmap(const QImage* bitmap, int x, int y);

 private:
  friend class DamageBatch;
  void damaged(const QRect& r);
  void drawHiRes(const QImage& bitmap, int x, int y, const QRgb* key);
  QImage image_;
  QImage hiRes_;
  BitmapStore* hiResStore_ = nullptr;
  int batches_ = 0;
  std::function<void(const QRect&)> damage_;
};

// The draws made while it lives are reported once, as `area`, and only when
// the area ends up different: a display redrawn with the same content costs
// no repaint even where its parts overlap.
class DamageBatch {
 public:
  DamageBatch(PanelSurface& surface, const QRect& area);
  ~DamageBatch();
  DamageBatch(const DamageBatch&) = delete;
  DamageBatch& operator=(const DamageBatch&) = delete;

 private:
  PanelSurface& surface_;
  QRect area_;
  QImage before_;
};

}  // namespace hrx::render
