// Pictures on GDI+: PNG decoding from memory into a bitmap that owns its pixels, and drawing a
// source rectangle of it into a destination.
#include <cstring>
#include <iterator>
#include <string>

#include "platform/Bitmap.h"
#include "platform/win32/canvas_impl.h"

namespace platform {

namespace gdip = Gdiplus::DllExports;

struct Bitmap::Impl {
    explicit Impl(Gdiplus::GpBitmap* b, Size s) : bitmap(b), size(s) {}
    ~Impl() { gdip::GdipDisposeImage(bitmap); }
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    // Straight (not premultiplied) 32-bit ARGB: the decoded values stay exact.
    Gdiplus::GpBitmap* const bitmap;
    const Size size;
};

namespace {

constexpr uint8_t kPngSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

const char* StatusName(Gdiplus::Status status) {
    static constexpr const char* kNames[] = {"Ok",
                                             "GenericError",
                                             "InvalidParameter",
                                             "OutOfMemory",
                                             "ObjectBusy",
                                             "InsufficientBuffer",
                                             "NotImplemented",
                                             "Win32Error",
                                             "WrongState",
                                             "Aborted",
                                             "FileNotFound",
                                             "ValueOverflow",
                                             "AccessDenied",
                                             "UnknownImageFormat",
                                             "FontFamilyNotFound",
                                             "FontStyleNotFound",
                                             "NotTrueTypeFont",
                                             "UnsupportedGdiplusVersion",
                                             "GdiplusNotInitialized",
                                             "PropertyNotFound",
                                             "PropertyNotSupported",
                                             "ProfileNotFound"};
    const auto index = static_cast<size_t>(status);
    return index < std::size(kNames) ? kNames[index] : "unknown";
}

// Keeps the first failing call of a decoding and its status, for the caller's report.
class DecodeFailure {
  public:
    explicit DecodeFailure(std::string* why) : why_(why) {}
    // True when `status` is Ok; otherwise records the call unless an earlier one failed.
    bool Check(const char* call, Gdiplus::Status status) {
        if (status != Gdiplus::Ok) {
            Record(std::string(call) + ": status " + std::to_string(static_cast<int>(status)) +
                   " (" + StatusName(status) + ")");
        }
        return status == Gdiplus::Ok;
    }
    void Record(const std::string& reason) {
        if (why_ && !recorded_) {
            *why_ = reason;
            recorded_ = true;
        }
    }

  private:
    std::string* why_;
    bool recorded_ = false;
};

// A bitmap decoded from a stream reads the stream for as long as it lives, so the decoded one is
// only a source for the pixels of a bitmap that owns its memory.
Gdiplus::GpBitmap* DecodeFromStream(IStream* stream, DecodeFailure& failure) {
    Gdiplus::GpBitmap* decoded = nullptr;
    if (!failure.Check("GdipCreateBitmapFromStream",
                       gdip::GdipCreateBitmapFromStream(stream, &decoded))) {
        return nullptr;
    }
    UINT width = 0;
    UINT height = 0;
    Gdiplus::GpBitmap* owned = nullptr;
    if (failure.Check("GdipGetImageWidth", gdip::GdipGetImageWidth(decoded, &width)) &&
        failure.Check("GdipGetImageHeight", gdip::GdipGetImageHeight(decoded, &height)) &&
        width > 0 && height > 0 &&
        failure.Check(
            "GdipCreateBitmapFromScan0",
            gdip::GdipCreateBitmapFromScan0(static_cast<INT>(width), static_cast<INT>(height), 0,
                                            PixelFormat32bppARGB, nullptr, &owned))) {
        const Gdiplus::GpRect whole(0, 0, static_cast<INT>(width), static_cast<INT>(height));
        Gdiplus::BitmapData target{};
        bool copied = false;
        if (failure.Check("GdipBitmapLockBits",
                          gdip::GdipBitmapLockBits(owned, &whole, Gdiplus::ImageLockModeWrite,
                                                   PixelFormat32bppARGB, &target))) {
            // The decoded pixels are read straight into the owned bitmap's memory.
            Gdiplus::BitmapData source = target;
            copied =
                failure.Check("GdipBitmapLockBits",
                              gdip::GdipBitmapLockBits(
                                  decoded, &whole,
                                  Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                  PixelFormat32bppARGB, &source)) &&
                failure.Check("GdipBitmapUnlockBits", gdip::GdipBitmapUnlockBits(decoded, &source));
            copied =
                failure.Check("GdipBitmapUnlockBits", gdip::GdipBitmapUnlockBits(owned, &target)) &&
                copied;
        }
        if (!copied) {
            gdip::GdipDisposeImage(owned);
            owned = nullptr;
        }
    } else if (width == 0 || height == 0) {
        failure.Record("the picture has no pixels");
    }
    gdip::GdipDisposeImage(decoded);
    return owned;
}

}  // namespace

Bitmap::Bitmap(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

Bitmap::~Bitmap() = default;

std::unique_ptr<Bitmap> Bitmap::DecodePng(const uint8_t* bytes, size_t count, std::string* why) {
    DecodeFailure failure(why);
    if (!bytes || count < sizeof kPngSignature ||
        std::memcmp(bytes, kPngSignature, sizeof kPngSignature) != 0 || count > MAXDWORD) {
        failure.Record("not a PNG");
        return nullptr;
    }
    if (!backend::GdiplusReady()) {
        failure.Record("GdiplusStartup failed");
        return nullptr;
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, count);
    if (!block) {
        failure.Record("GlobalAlloc: error " + std::to_string(GetLastError()));
        return nullptr;
    }
    Gdiplus::GpBitmap* bitmap = nullptr;
    if (void* memory = GlobalLock(block)) {
        std::memcpy(memory, bytes, count);
        IStream* stream = nullptr;
        if (const HRESULT result = CreateStreamOnHGlobal(block, FALSE, &stream);
            SUCCEEDED(result)) {
            bitmap = DecodeFromStream(stream, failure);
            stream->Release();
        } else {
            failure.Record("CreateStreamOnHGlobal: error " +
                           std::to_string(static_cast<unsigned long>(result)));
        }
        GlobalUnlock(block);
    } else {
        failure.Record("GlobalLock: error " + std::to_string(GetLastError()));
    }
    GlobalFree(block);
    if (!bitmap) {
        return nullptr;
    }
    UINT width = 0;
    UINT height = 0;
    gdip::GdipGetImageWidth(bitmap, &width);
    gdip::GdipGetImageHeight(bitmap, &height);
    return std::unique_ptr<Bitmap>(new Bitmap(std::make_unique<Impl>(
        bitmap, Size{static_cast<int32_t>(width), static_cast<int32_t>(height)})));
}

Size Bitmap::GetSize() const {
    return impl_->size;
}

std::vector<uint32_t> Bitmap::ArgbPixels() const {
    const Size size = impl_->size;
    std::vector<uint32_t> pixels(static_cast<size_t>(size.width) * size.height);
    Gdiplus::BitmapData data{};
    data.Width = static_cast<UINT>(size.width);
    data.Height = static_cast<UINT>(size.height);
    data.Stride = size.width * 4;
    data.PixelFormat = PixelFormat32bppARGB;
    data.Scan0 = pixels.data();
    const Gdiplus::GpRect whole(0, 0, size.width, size.height);
    if (pixels.empty() ||
        gdip::GdipBitmapLockBits(impl_->bitmap, &whole,
                                 Gdiplus::ImageLockModeRead | Gdiplus::ImageLockModeUserInputBuf,
                                 PixelFormat32bppARGB, &data) != Gdiplus::Ok) {
        return {};
    }
    gdip::GdipBitmapUnlockBits(impl_->bitmap, &data);
    return pixels;
}

void Canvas::DrawBitmap(const Bitmap& bitmap, const Rect& logicalDestination, const Rect& source) {
    const Rect destination = impl_->grid.ToPixels(logicalDestination);
    if (!impl_->graphics || destination.IsEmpty() || source.IsEmpty()) {
        return;
    }
    // A one-to-one copy takes each pixel as it is; a scaled one is filtered. Pixel centres at
    // half coordinates keep nearest-neighbour sampling from shifting the picture by half a pixel.
    const bool oneToOne = destination.width == source.width && destination.height == source.height;
    Gdiplus::GpGraphics* graphics = impl_->graphics;
    if (!backend::Succeeded(
            *impl_, gdip::GdipSetInterpolationMode(
                        graphics, oneToOne ? Gdiplus::InterpolationModeNearestNeighbor
                                           : Gdiplus::InterpolationModeHighQualityBilinear)) ||
        !backend::Succeeded(*impl_,
                            gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeHalf))) {
        return;
    }
    backend::Succeeded(
        *impl_, gdip::GdipDrawImageRectRectI(graphics, bitmap.impl().bitmap, destination.x,
                                             destination.y, destination.width, destination.height,
                                             source.x, source.y, source.width, source.height,
                                             Gdiplus::UnitPixel, nullptr, nullptr, nullptr));
    // The shapes keep whole-pixel coordinates on pixel centres.
    backend::Succeeded(*impl_,
                       gdip::GdipSetPixelOffsetMode(graphics, Gdiplus::PixelOffsetModeNone));
}

}  // namespace platform
