#include "render/PanelSurface.h"

#include <QString>

// The generated resource file is compiled into this library; a static
// library's resources must be registered by hand.
static void initBitmapResources() { Q_INIT_RESOURCE(hrx900bitmaps); }

namespace hrx::render {

BitmapStore::BitmapStore() { initBitmapResources(); }

const QImage* BitmapStore::LoadBitmap(int id) {
  auto it = cache_.find(id);
  if (it == cache_.end()) {
    QImage img(QStringLiteral(":/bitmaps/%1.png").arg(id));
    // One pixel format for all, so drawing compares colours directly.
    if (!img.isNull()) img = img.convertToFormat(QImage::Format_RGB32);
    it = cache_.emplace(id, std::move(img)).first;
    ids_[&it->second] = id;
  }
  return it->second.isNull() ? nullptr : &it->second;
}

void BitmapStore::forget(int id) {
  QImage& img = cache_[id];
  hiRes_.erase(&img);
  ids_.erase(&img);
  img = QImage();
}

const QImage* BitmapStore::hiRes(const QImage* bitmap) {
  const auto id = ids_.find(bitmap);
  if (id == ids_.end() || bitmap->isNull()) return nullptr;
  auto it = hiRes_.find(bitmap);
  if (it == hiRes_.end()) {
    QImage img(QStringLiteral(":/bitmaps/%1@2x.png").arg(id->second));
    // Only an image of exactly twice the size stands in for the bitmap.
    if (img.size() != bitmap->size() * 2) img = QImage();
    if (!img.isNull()) img = img.convertToFormat(QImage::Format_RGB32);
    it = hiRes_.emplace(bitmap, std::move(img)).first;
  }
  return it->second.isNull() ? nullptr : &it->second;
}

PanelSurface::PanelSurface() : image_(kPanelWidth, kPanelHeight, QImage::Format_RGB32) { image_.fill(Qt::black); }

void PanelSurface::enableHiRes(BitmapStore& store) {
  hiResStore_ = &store;
  hiRes_ = QImage(image_.size() * 2, QImage::Format_RGB32);
  hiRes_.setDevicePixelRatio(2.0);
  drawHiRes(image_, 0, 0, nullptr);
}

namespace {
// The bitmap with every pixel doubled, at (x, y) of the twice-size target.
void blitDoubled(QImage& target, const QImage& bitmap, int x, int y, const QRgb* key) {
  const QRect area = QRect(x, y, bitmap.width() * 2, bitmap.height() * 2) & target.rect();
  for (int ty = area.top(); ty <= area.bottom(); ++ty) {
    const QRgb* src = reinterpret_cast<const QRgb*>(bitmap.constScanLine((ty - y) / 2));
    QRgb* dst = reinterpret_cast<QRgb*>(target.scanLine(ty));
    for (int tx = area.left(); tx <= area.right(); ++tx) {
      const QRgb px = src[(tx - x) / 2];
      if (key != nullptr && (px & 0x00FFFFFF) == (*key & 0x00FFFFFF)) continue;
      dst[tx] = px | 0xFF000000;
    }
  }
}
}  // namespace

void PanelSurface::drawHiRes(const QImage& bitmap, int x, int y, const QRgb* key) {
  if (hiResStore_ == nullptr) return;
  const QImage* big = hiResStore_->hiRes(&bitmap);
  if (big == nullptr) {
    blitDoubled(hiRes_, bitmap.format() == QImage::Format_RGB32 ? bitmap : bitmap.convertToFormat(QImage::Format_RGB32),
                x * 2, y * 2, key);
  } else if (key != nullptr) {
    blitKeyed(hiRes_, *big, x * 2, y * 2, *key);
  } else {
    // Copied whole, key colour and all.
    const QRect area = QRect(x * 2, y * 2, big->width(), big->height()) & hiRes_.rect();
    for (int ty = area.top(); ty <= area.bottom(); ++ty) {
      const QRgb* src = reinterpret_cast<const QRgb*>(big->constScanLine(ty - y * 2));
      QRgb* dst = reinterpret_cast<QRgb*>(hiRes_.scanLine(ty));
      for (int tx = area.left(); tx <= area.right(); ++tx) dst[tx] = src[tx - x * 2] | 0xFF000000;
    }
  }
}

void PanelSurface::damaged(const QRect& r) {
  if (batches_ == 0 && damage_ && !r.isEmpty()) damage_(r);
}

DamageBatch::DamageBatch(PanelSurface& surface, const QRect& area)
    : surface_(surface), area_(area & surface.image_.rect()), before_(surface.image_.copy(area_)) {
  ++surface_.batches_;
}

DamageBatch::~DamageBatch() {
  --surface_.batches_;
  if (surface_.image_.copy(area_) != before_) surface_.damaged(area_);
}

QRect blitKeyed(QImage& target, const QImage& bitmap, int x, int y, QRgb key) {
  const QRect area = QRect(x, y, bitmap.width(), bitmap.height()) & target.rect();
  const QRgb keyRgb = key & 0x00FFFFFF;
  bool changed = false;
  for (int ty = area.top(); ty <= area.bottom(); ++ty) {
    const QRgb* src = reinterpret_cast<const QRgb*>(bitmap.constScanLine(ty - y));
    QRgb* dst = reinterpret_cast<QRgb*>(target.scanLine(ty));
    for (int tx = area.left(); tx <= area.right(); ++tx) {
      const QRgb px = src[tx - x];
      if ((px & 0x00FFFFFF) == keyRgb) continue;
      changed |= dst[tx] != (px | 0xFF000000);
      dst[tx] = px | 0xFF000000;
    }
  }
  return changed ? area : QRect();
}

QImage keyedToAlpha(const QImage& bitmap, QRgb key) {
  QImage out = bitmap.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < out.height(); ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] & 0x00FFFFFF) == (key & 0x00FFFFFF)) line[x] = 0;
  }
  return out;
}

namespace {
int checkBitmap(const QImage* bitmap) {
  if (bitmap == nullptr || bitmap->isNull()) return kNoBitmap;
  if (bitmap->width() < 1 || bitmap->height() < 1) return kSizeUnreadable;
  return kDrawn;
}
}  // namespace

int DrawBitmap(BitmapStore& store, int id, QImage& target, int x, int y, QRgb key) {
  const QImage* bitmap = store.LoadBitmap(id);
  if (const int r = checkBitmap(bitmap); r != kDrawn) return r;
  if (target.format() != QImage::Format_RGB32) return kNoMemoryContext;
  blitKeyed(target, *bitmap, x, y, key);
  return kDrawn;
}

int PanelSurface::DrawBitmap(const QImage* bitmap, int x, int y, QRgb key) {
  if (const int r = checkBitmap(bitmap); r != kDrawn) return r;
  const QRect changed = blitKeyed(image_, *bitmap, x, y, key);
  drawHiRes(*bitmap, x, y, &key);
  damaged(changed);
  return kDrawn;
}

int PanelSurface::DrawBitmap(const BitmapSlot& slot) {
  if (slot.bitmap == nullptr || slot.width < 1 || slot.height < 1) return kNoBitmap;
  return DrawBitmap(slot.bitmap, slot.x, slot.y, kKeyGreen);
}

int PanelSurface::CopyBitmap(const QImage* bitmap, int x, int y) {
  if (bitmap == nullptr || bitmap->isNull()) return kNoBitmap;
  const QRect target = QRect(x, y, bitmap->width(), bitmap->height()) & image_.rect();
  bool changed = false;
  for (int ty = target.top(); ty <= target.bottom(); ++ty) {
    const QRgb* src = reinterpret_cast<const QRgb*>(bitmap->constScanLine(ty - y));
    QRgb* dst = reinterpret_cast<QRgb*>(image_.scanLine(ty));
    for (int tx = target.left(); tx <= target.right(); ++tx) {
      changed |= dst[tx] != (src[tx - x] | 0xFF000000);
      dst[tx] = src[tx - x] | 0xFF000000;
    }
  }
  drawHiRes(*bitmap, x, y, nullptr);
  // Redrawing what is already there (the 30 ms display timers) costs no repaint.
  if (changed) damaged(target);
  return kDrawn;
}

}  // namespace hrx::render
