// Vector pictures on top of librsvg, which draws into a cairo image surface
// laid over the Bitmap's own memory. On a little-endian machine cairo's
// ARGB32 is bytes blue, green, red, alpha, as a Bitmap is, only premultiplied.
#include <cairo.h>
#include <gio/gio.h>
#include <librsvg/rsvg.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <new>
#include <optional>
#include <utility>
#include <vector>

#include "platform/files.h"
#include "platform/gzip_inflate.h"
#include "platform/shared_library.h"
#include "platform/svg_work_limit.h"
#include "platform/vector_picture.h"

static_assert(std::endian::native == std::endian::little,
              "cairo's ARGB32 is blue, green, red, alpha in memory only on little-endian machines");

namespace zelmor {
namespace {

// librsvg, cairo and the GLib libraries are opened on first use
// (shared_library.h says why), each by its own name although librsvg's handle
// would reach the others too: a function then comes from the library that
// declares it. These are all the functions this file calls.
#define ZELMOR_RSVG_FUNCTIONS(X)                    \
  X(rsvg, rsvg_handle_new_from_stream_sync)         \
  X(rsvg, rsvg_handle_set_dpi)                      \
  X(rsvg, rsvg_handle_get_intrinsic_size_in_pixels) \
  X(rsvg, rsvg_handle_get_intrinsic_dimensions)     \
  X(rsvg, rsvg_handle_render_document)              \
  X(cairo, cairo_format_stride_for_width)           \
  X(cairo, cairo_image_surface_create_for_data)     \
  X(cairo, cairo_create)                            \
  X(cairo, cairo_translate)                         \
  X(cairo, cairo_scale)                             \
  X(cairo, cairo_status)                            \
  X(cairo, cairo_destroy)                           \
  X(cairo, cairo_surface_finish)                    \
  X(cairo, cairo_surface_status)                    \
  X(cairo, cairo_surface_destroy)                   \
  X(gio, g_memory_input_stream_new_from_data)       \
  X(gobject, g_object_unref)                        \
  X(glib, g_error_free)

struct RsvgFunctions {
  ZELMOR_RSVG_FUNCTIONS(ZELMOR_FUNCTION_POINTER)
};

// Nothing when one of the libraries or functions is missing: every document
// then fails as one that does not parse.
const RsvgFunctions* Rsvg() {
  static const std::optional<RsvgFunctions> functions = []() -> std::optional<RsvgFunctions> {
    const SharedLibrary glib(ZELMOR_GLIB_SONAME);
    const SharedLibrary gobject(ZELMOR_GOBJECT_SONAME);
    const SharedLibrary gio(ZELMOR_GIO_SONAME);
    const SharedLibrary cairo(ZELMOR_CAIRO_SONAME);
    const SharedLibrary rsvg(ZELMOR_RSVG_SONAME);
    RsvgFunctions table;
    if (glib.IsOpen() && gobject.IsOpen() && gio.IsOpen() && cairo.IsOpen() &&
        rsvg.IsOpen() ZELMOR_RSVG_FUNCTIONS(ZELMOR_RESOLVE_FUNCTION)) {
      return table;
    }
    return std::nullopt;
  }();
  return functions ? &*functions : nullptr;
}

// No icon document comes near this; it bounds what is read, and what an SVGZ
// may inflate to.
constexpr std::size_t kMaxDocumentBytes = std::size_t{64} << 20;

// cairo keeps image surfaces below 32768 pixels a side.
constexpr int32_t kMaxCanvasSide = 32767;

// cairo works in 24.8 fixed point, so coordinates past about 8 million pixels
// wrap around; a rectangle this large is already far past any canvas.
constexpr double kMaxRectangleExtent = double{1 << 22};

// Lengths are converted as CSS does, 96 pixels to the inch.
constexpr double kDpi = 96.0;

bool IsUsableSize(double width, double height) {
  return std::isfinite(width) && std::isfinite(height) && width > 0 && height > 0;
}

// A length in CSS pixels when its unit is absolute; 0 for percentages and
// font-relative units, whose pixels depend on a context the document lacks.
double AbsolutePixels(const RsvgLength& length) {
  switch (length.unit) {
    case RSVG_UNIT_PX:
      return length.length;
    case RSVG_UNIT_IN:
      return length.length * kDpi;
    case RSVG_UNIT_CM:
      return length.length * kDpi / 2.54;
    case RSVG_UNIT_MM:
      return length.length * kDpi / 25.4;
    case RSVG_UNIT_PT:
      return length.length * kDpi / 72.0;
    case RSVG_UNIT_PC:
      return length.length * kDpi / 6.0;
    default:
      return 0.0;
  }
}

// The document's size: what librsvg makes of width and height where it can;
// otherwise the absolute one of the two with the viewBox's aspect, or the
// viewBox itself (a document sized in percentages fills whatever holds it, and
// its viewBox is the only size it has).
std::optional<std::pair<double, double>> DocumentSize(const RsvgFunctions& rsvg,
                                                      RsvgHandle* handle) {
  double width = 0;
  double height = 0;
  if (rsvg.rsvg_handle_get_intrinsic_size_in_pixels(handle, &width, &height) &&
      IsUsableSize(width, height)) {
    return std::pair{width, height};
  }
  gboolean hasWidth = FALSE;
  gboolean hasHeight = FALSE;
  gboolean hasViewBox = FALSE;
  RsvgLength widthLength{};
  RsvgLength heightLength{};
  RsvgRectangle viewBox{};
  rsvg.rsvg_handle_get_intrinsic_dimensions(handle, &hasWidth, &widthLength, &hasHeight,
                                            &heightLength, &hasViewBox, &viewBox);
  const double absoluteWidth = hasWidth ? AbsolutePixels(widthLength) : 0.0;
  const double absoluteHeight = hasHeight ? AbsolutePixels(heightLength) : 0.0;
  if (IsUsableSize(absoluteWidth, absoluteHeight)) {
    return std::pair{absoluteWidth, absoluteHeight};
  }
  if (!hasViewBox || !IsUsableSize(viewBox.width, viewBox.height)) {
    return std::nullopt;
  }
  if (IsUsableSize(absoluteWidth, 1.0)) {
    height = absoluteWidth * viewBox.height / viewBox.width;
    width = absoluteWidth;
  } else if (IsUsableSize(1.0, absoluteHeight)) {
    width = absoluteHeight * viewBox.width / viewBox.height;
    height = absoluteHeight;
  } else {
    width = viewBox.width;
    height = viewBox.height;
  }
  if (!IsUsableSize(width, height)) {
    return std::nullopt;
  }
  return std::pair{width, height};
}

// Premultiplied to straight alpha in place, rounded to nearest; a clear pixel
// becomes four zero bytes whatever its colour bytes held.
void Unpremultiply(Bitmap& bitmap) {
  for (int32_t y = 0; y < bitmap.height(); ++y) {
    uint8_t* pixel = bitmap.row(y);
    for (int32_t x = 0; x < bitmap.width(); ++x, pixel += 4) {
      const uint32_t alpha = pixel[3];
      if (alpha == 0) {
        pixel[0] = pixel[1] = pixel[2] = 0;
        continue;
      }
      if (alpha == 255) {
        continue;
      }
      for (int c = 0; c < 3; ++c) {
        pixel[c] =
            static_cast<uint8_t>(std::min<uint32_t>(255, (pixel[c] * 255 + alpha / 2) / alpha));
      }
    }
  }
}

}  // namespace

struct VectorPicture::Impl {
  RsvgHandle* handle = nullptr;
  double width = 0;
  double height = 0;

  Impl() = default;
  Impl(const Impl&) = delete;
  Impl& operator=(const Impl&) = delete;
  ~Impl() {
    if (handle != nullptr) {
      Rsvg()->g_object_unref(handle);  // librsvg made it, so it is loaded
    }
  }
};

bool HasVectorPictureExtension(std::string_view path) {
  const auto endsWith = [path](std::string_view suffix) {
    if (path.size() < suffix.size()) {
      return false;
    }
    const std::string_view tail = path.substr(path.size() - suffix.size());
    return std::equal(tail.begin(), tail.end(), suffix.begin(), [](char a, char b) {
      return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
  };
  return endsWith(".svg") || endsWith(".svgz");
}

VectorPicture::VectorPicture(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
VectorPicture::VectorPicture(VectorPicture&&) noexcept = default;
VectorPicture& VectorPicture::operator=(VectorPicture&&) noexcept = default;
VectorPicture::~VectorPicture() = default;

double VectorPicture::width() const {
  return impl_->width;
}

double VectorPicture::height() const {
  return impl_->height;
}

std::optional<VectorPicture> VectorPicture::Load(const std::string& path) {
  const std::unique_ptr<InputFile> file = InputFile::Open(path);
  if (!file) {
    return std::nullopt;
  }
  std::vector<uint8_t> bytes;
  try {
    const uint64_t length = file->Length();
    if (length > kMaxDocumentBytes) {
      return std::nullopt;
    }
    bytes.resize(static_cast<std::size_t>(length));
    std::size_t done = 0;
    while (done < bytes.size()) {
      const std::size_t read = file->Read(bytes.data() + done, bytes.size() - done);
      if (read == 0) {
        return std::nullopt;  // shrank while being read
      }
      done += read;
    }
  } catch (const FileError&) {
    return std::nullopt;
  }
  return LoadBytes(bytes.data(), bytes.size());
}

std::optional<VectorPicture> VectorPicture::LoadBytes(const uint8_t* data, std::size_t size) {
  if (size == 0 || size > kMaxDocumentBytes) {
    return std::nullopt;
  }
  std::vector<uint8_t> markup;
  if (HasGzipSignature(data, size)) {
    std::optional<std::vector<uint8_t>> inflated = InflateGzip(data, size, kMaxDocumentBytes);
    // librsvg would inflate a second layer itself, with no bound.
    if (!inflated || HasGzipSignature(inflated->data(), inflated->size())) {
      return std::nullopt;
    }
    markup = std::move(*inflated);
  } else {
    markup.assign(data, data + size);
  }
  if (markup.empty() ||
      !SvgWorkWithinLimits({reinterpret_cast<const char*>(markup.data()), markup.size()})) {
    return std::nullopt;
  }

  const RsvgFunctions* loaded = Rsvg();
  if (loaded == nullptr) {
    return std::nullopt;
  }
  const RsvgFunctions& rsvg = *loaded;
  // Loaded from memory with no base file: librsvg then resolves no reference
  // to another file or URL (images, style sheets, XInclude), only data: URLs
  // inside the document. No flags: libxml2 keeps its limits on entity
  // expansion and nesting, and librsvg its own on elements and references.
  GInputStream* stream = rsvg.g_memory_input_stream_new_from_data(
      markup.data(), static_cast<gssize>(markup.size()), nullptr);
  GError* error = nullptr;
  RsvgHandle* handle = rsvg.rsvg_handle_new_from_stream_sync(
      stream, nullptr, RSVG_HANDLE_FLAGS_NONE, nullptr, &error);
  rsvg.g_object_unref(stream);
  if (error != nullptr) {
    rsvg.g_error_free(error);
  }
  if (handle == nullptr) {
    return std::nullopt;
  }
  auto impl = std::make_unique<Impl>();
  impl->handle = handle;
  rsvg.rsvg_handle_set_dpi(handle, kDpi);
  const std::optional<std::pair<double, double>> size2 = DocumentSize(rsvg, handle);
  if (!size2) {
    return std::nullopt;
  }
  impl->width = size2->first;
  impl->height = size2->second;
  return VectorPicture(std::move(impl));
}

std::optional<Bitmap> VectorPicture::Render(int32_t canvasWidth, int32_t canvasHeight, double x,
                                            double y, double w, double h) const {
  if (canvasWidth <= 0 || canvasHeight <= 0 || canvasWidth > kMaxCanvasSide ||
      canvasHeight > kMaxCanvasSide ||
      uint64_t{4} * static_cast<uint64_t>(canvasWidth) * static_cast<uint64_t>(canvasHeight) >
          kMaxBitmapBytes) {
    return std::nullopt;
  }
  const auto fits = [](double v) {
    return std::isfinite(v) && std::fabs(v) <= kMaxRectangleExtent;
  };
  if (!fits(x) || !fits(y) || !fits(w) || !fits(h) || w <= 0 || h <= 0) {
    return std::nullopt;
  }
  const RsvgFunctions& rsvg = *Rsvg();       // loaded when the document was
  Bitmap bitmap(canvasWidth, canvasHeight);  // all zero: transparent, premultiplied or not
  if (rsvg.cairo_format_stride_for_width(CAIRO_FORMAT_ARGB32, canvasWidth) != bitmap.stride()) {
    return std::nullopt;
  }
  cairo_surface_t* surface = rsvg.cairo_image_surface_create_for_data(
      bitmap.data(), CAIRO_FORMAT_ARGB32, canvasWidth, canvasHeight, bitmap.stride());
  cairo_t* cr = rsvg.cairo_create(surface);
  // Stretched: the document is laid out in a viewport of its own size, so its
  // preserveAspectRatio has nothing to fit, and that viewport is then scaled
  // on each axis separately onto the rectangle.
  rsvg.cairo_translate(cr, x, y);
  rsvg.cairo_scale(cr, w / impl_->width, h / impl_->height);
  const RsvgRectangle viewport{0.0, 0.0, impl_->width, impl_->height};
  GError* error = nullptr;
  const bool drawn = rsvg.rsvg_handle_render_document(impl_->handle, cr, &viewport, &error);
  if (error != nullptr) {
    rsvg.g_error_free(error);
  }
  const cairo_status_t status = rsvg.cairo_status(cr);
  rsvg.cairo_destroy(cr);
  rsvg.cairo_surface_finish(surface);
  const cairo_status_t surfaceStatus = rsvg.cairo_surface_status(surface);
  rsvg.cairo_surface_destroy(surface);
  if (status == CAIRO_STATUS_NO_MEMORY || surfaceStatus == CAIRO_STATUS_NO_MEMORY) {
    throw std::bad_alloc();
  }
  if (!drawn || status != CAIRO_STATUS_SUCCESS || surfaceStatus != CAIRO_STATUS_SUCCESS) {
    return std::nullopt;
  }
  Unpremultiply(bitmap);
  return bitmap;
}

}  // namespace zelmor
