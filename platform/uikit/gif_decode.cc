// GIF through giflib: the first frame on the file's logical screen, as a
// still UIImage of an animated file shows it; pixels the frame does not
// cover, and those of its transparent colour, are clear.
#include <gif_lib.h>

#include <cstring>
#include <vector>

#include "uikit/image_decode.h"

namespace {

struct Reader {
  std::string_view bytes;
  std::size_t at = 0;
};

int readBytes(GifFileType* file, GifByteType* out, int wanted) {
  auto* reader = static_cast<Reader*>(file->UserData);
  const std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(wanted), reader->bytes.size() - reader->at);
  std::memcpy(out, reader->bytes.data() + reader->at, n);
  reader->at += n;
  return static_cast<int>(n);
}

struct Closer {
  GifFileType* file;
  ~Closer() {
    int ignored = 0;
    if (file) DGifCloseFile(file, &ignored);
  }
};

std::string gifError(int code) {
  const char* text = GifErrorString(code);
  return std::string("damaged GIF data (") + (text ? text : "unknown error") + ")";
}

// The rows of an interlaced frame arrive in four passes.
std::vector<int> rowOrder(int height, bool interlaced) {
  std::vector<int> order;
  order.reserve(static_cast<std::size_t>(height));
  if (!interlaced) {
    for (int y = 0; y < height; ++y) order.push_back(y);
    return order;
  }
  const int starts[] = {0, 4, 2, 1}, steps[] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = starts[pass]; y < height; y += steps[pass]) order.push_back(y);
  return order;
}

}  // namespace

cairo_surface_t* standin::decodeGIF(std::string_view bytes, std::string* error) {
  Reader reader{bytes, 0};
  int code = 0;
  Closer gif{DGifOpen(&reader, readBytes, &code)};
  if (!gif.file) return *error = gifError(code), nullptr;
  const int width = gif.file->SWidth, height = gif.file->SHeight;
  if (width <= 0 || height <= 0) return *error = "an empty image", nullptr;
  if (!standin::imageSizeWithinBounds(static_cast<std::uint64_t>(width), static_cast<std::uint64_t>(height), error))
    return nullptr;

  int transparent = NO_TRANSPARENT_COLOR;
  std::vector<unsigned char> canvas(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0);
  for (;;) {
    GifRecordType record = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.file, &record) == GIF_ERROR) return *error = gifError(gif.file->Error), nullptr;
    if (record == TERMINATE_RECORD_TYPE) return *error = "a GIF without an image", nullptr;
    if (record == EXTENSION_RECORD_TYPE) {
      int kind = 0;
      GifByteType* block = nullptr;
      if (DGifGetExtension(gif.file, &kind, &block) == GIF_ERROR) return *error = gifError(gif.file->Error), nullptr;
      if (kind == GRAPHICS_EXT_FUNC_CODE && block) {
        GraphicsControlBlock control{};
        if (DGifExtensionToGCB(block[0], block + 1, &control) == GIF_OK) transparent = control.TransparentColor;
      }
      while (block)
        if (DGifGetExtensionNext(gif.file, &block) == GIF_ERROR) return *error = gifError(gif.file->Error), nullptr;
      continue;
    }
    if (record != IMAGE_DESC_RECORD_TYPE) continue;
    if (DGifGetImageDesc(gif.file) == GIF_ERROR) return *error = gifError(gif.file->Error), nullptr;
    const GifImageDesc& frame = gif.file->Image;
    if (!standin::imageSizeWithinBounds(static_cast<std::uint64_t>(frame.Width),
                                        static_cast<std::uint64_t>(frame.Height), error))
      return nullptr;
    const ColorMapObject* colors = frame.ColorMap ? frame.ColorMap : gif.file->SColorMap;
    if (!colors) return *error = "a GIF without colours", nullptr;
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.Width));
    for (int y : rowOrder(frame.Height, frame.Interlace)) {
      if (DGifGetLine(gif.file, line.data(), frame.Width) == GIF_ERROR)
        return *error = gifError(gif.file->Error), nullptr;
      const int canvasY = frame.Top + y;
      if (canvasY < 0 || canvasY >= height) continue;
      for (int x = 0; x < frame.Width; ++x) {
        const int canvasX = frame.Left + x;
        if (canvasX < 0 || canvasX >= width || line[x] == transparent || line[x] >= colors->ColorCount) continue;
        const GifColorType& c = colors->Colors[line[x]];
        unsigned char* out = &canvas[(static_cast<std::size_t>(canvasY) * width + canvasX) * 4];
        out[0] = c.Red, out[1] = c.Green, out[2] = c.Blue, out[3] = 255;
      }
    }
    break;
  }
  return standin::surfaceFromRows(static_cast<unsigned>(width), static_cast<unsigned>(height),
                                  [&](unsigned y, unsigned char* rgba) {
                                    std::memcpy(rgba, &canvas[std::size_t{y} * width * 4], std::size_t(width) * 4);
                                    return true;
                                  });
}
