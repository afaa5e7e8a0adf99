#include "uikit/png_decode.h"

#include <png.h>
#include <zlib.h>

#include <algorithm>
#include <csetjmp>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

constexpr std::string_view kSignature("\x89PNG\r\n\x1a\n", 8);
constexpr std::size_t kMaxChunkMallocBytes = 8u << 20;  // text and profile chunks libpng inflates

std::uint32_t bigEndian32(const unsigned char* bytes) {
  return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

void appendBigEndian32(std::uint32_t value, std::string* out) {
  for (int shift = 24; shift >= 0; shift -= 8) out->push_back(static_cast<char>(value >> shift & 0xFF));
}

struct Chunk {
  std::string_view type;
  std::string_view data;
};

// The chunks of the file, in order; false when one runs past the end.
bool splitChunks(std::string_view bytes, std::vector<Chunk>* chunks) {
  std::size_t at = kSignature.size();
  while (at < bytes.size()) {
    if (bytes.size() - at < 12) return false;
    const std::uint32_t length = bigEndian32(reinterpret_cast<const unsigned char*>(bytes.data() + at));
    if (length > bytes.size() - at - 12) return false;
    chunks->push_back({bytes.substr(at + 4, 4), bytes.substr(at + 8, length)});
    at += 12 + std::size_t{length};
    if (chunks->back().type == "IEND") break;
  }
  return true;
}

struct Header {
  std::uint32_t width = 0, height = 0;
  unsigned bitDepth = 0, colorType = 0;
  bool interlaced = false;
};

bool readHeader(const Chunk& chunk, Header* header, std::string* error) {
  if (chunk.type != "IHDR" || chunk.data.size() != 13) return *error = "no image header", false;
  const auto* data = reinterpret_cast<const unsigned char*>(chunk.data.data());
  header->width = bigEndian32(data);
  header->height = bigEndian32(data + 4);
  header->bitDepth = data[8];
  header->colorType = data[9];
  header->interlaced = data[12] == 1;
  if (header->width == 0 || header->height == 0) return *error = "an empty image", false;
  if (header->width > kMaxImageSide || header->height > kMaxImageSide ||
      std::uint64_t{header->width} * header->height > kMaxImagePixels) {
    *error = std::to_string(header->width) + " x " + std::to_string(header->height) + " pixels, more than the " +
             std::to_string(kMaxImagePixels) + " an image may have";
    return false;
  }
  return true;
}

// Bytes of filtered image data the header implies (each row with its filter
// byte, every interlace pass); 0 for an impossible colour type or depth.
std::uint64_t filteredDataBytes(const Header& header) {
  unsigned channels = 0;
  switch (header.colorType) {
    case 0: channels = 1; break;
    case 2: channels = 3; break;
    case 3: channels = 1; break;
    case 4: channels = 2; break;
    case 6: channels = 4; break;
    default: return 0;
  }
  const std::uint64_t bitsPerPixel = std::uint64_t{channels} * header.bitDepth;
  auto passBytes = [&](std::uint64_t width, std::uint64_t height) {
    return width == 0 || height == 0 ? 0 : height * (1 + (width * bitsPerPixel + 7) / 8);
  };
  if (!header.interlaced) return passBytes(header.width, header.height);
  // Adam7: each pass's origin and step in x and y.
  static constexpr int kPass[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                      {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  std::uint64_t total = 0;
  for (const auto& [x0, y0, dx, dy] : kPass)
    total += passBytes((header.width + dx - 1 - x0) / dx, (header.height + dy - 1 - y0) / dy);
  return total;
}

bool hasChunk(const std::vector<Chunk>& chunks, std::string_view type) {
  for (const Chunk& chunk : chunks)
    if (chunk.type == type) return true;
  return false;
}

void appendChunk(std::string_view type, std::string_view data, std::string* out) {
  appendBigEndian32(static_cast<std::uint32_t>(data.size()), out);
  const std::size_t typeAt = out->size();
  out->append(type);
  out->append(data);
  uLong crc = crc32(0, reinterpret_cast<const Bytef*>(out->data() + typeAt), static_cast<uInt>(4 + data.size()));
  appendBigEndian32(static_cast<std::uint32_t>(crc), out);
}

// An iPhone-optimised file rewritten as an ordinary PNG (its image data
// inflated from raw deflate, at most as many bytes as the header implies,
// and deflated again with the zlib header), so libpng can decode it; its
// pixels stay in BGRA order and premultiplied.
bool ordinaryFromOptimised(const std::vector<Chunk>& chunks, const Header& header, std::string* png,
                           std::string* error) {
  const std::uint64_t expected = filteredDataBytes(header);
  if (expected == 0) return *error = "an impossible colour type or bit depth", false;
  std::string filtered(static_cast<std::size_t>(expected), '\0');
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return *error = "cannot inflate", false;
  stream.next_out = reinterpret_cast<Bytef*>(filtered.data());
  stream.avail_out = static_cast<uInt>(filtered.size());
  int status = Z_OK;
  for (const Chunk& chunk : chunks) {
    if (chunk.type != "IDAT" || status != Z_OK || stream.avail_out == 0) continue;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(chunk.data.data()));
    stream.avail_in = static_cast<uInt>(chunk.data.size());
    while (status == Z_OK && stream.avail_in > 0 && stream.avail_out > 0) status = inflate(&stream, Z_NO_FLUSH);
  }
  const bool complete = stream.avail_out == 0;
  inflateEnd(&stream);
  if (!complete) return *error = "image data is cut short or damaged", false;

  uLongf packedLength = compressBound(static_cast<uLong>(filtered.size()));
  std::string packed(packedLength, '\0');
  if (compress2(reinterpret_cast<Bytef*>(packed.data()), &packedLength, reinterpret_cast<const Bytef*>(filtered.data()),
                static_cast<uLong>(filtered.size()), 1) != Z_OK)
    return *error = "cannot deflate", false;
  packed.resize(packedLength);

  png->assign(kSignature);
  bool dataWritten = false;
  for (const Chunk& chunk : chunks) {
    if (chunk.type == "CgBI") continue;
    if (chunk.type == "IDAT") {
      if (!dataWritten) appendChunk("IDAT", packed, png);
      dataWritten = true;
      continue;
    }
    appendChunk(chunk.type, chunk.data, png);
  }
  return true;
}

struct MemoryInput {
  std::string_view bytes;
  std::size_t at = 0;
};

void readFromMemory(png_structp png, png_bytep out, png_size_t length) {
  auto* input = static_cast<MemoryInput*>(png_get_io_ptr(png));
  if (length > input->bytes.size() - input->at) png_error(png, "unexpected end of file");
  std::memcpy(out, input->bytes.data() + input->at, length);
  input->at += length;
}

void ignoreWarning(png_structp, png_const_charp) {}

void storeError(png_structp png, png_const_charp message) {
  *static_cast<std::string*>(png_get_error_ptr(png)) = message;
  png_longjmp(png, 1);
}

// The two steps that call into libpng, which reports errors by longjmp:
// each keeps only plain data in its frame, so nothing is skipped.
bool readInfo(png_structp png, png_infop info) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, kMaxImageSide, kMaxImageSide);
  png_set_chunk_malloc_max(png, kMaxChunkMallocBytes);
  png_read_info(png, info);
  if (std::uint64_t{png_get_image_width(png, info)} * png_get_image_height(png, info) > kMaxImagePixels)
    png_error(png, "too many pixels");
  // Every kind of pixel becomes four 8-bit channels: R G B A, or for an
  // optimised file B G R A as stored.
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_gray_to_rgb(png);
  png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != std::size_t{png_get_image_width(png, info)} * 4)
    png_error(png, "unexpected row layout");
  return true;
}

bool readRows(png_structp png, png_bytepp rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_read_image(png, rows);
  return true;
}

// Four bytes per pixel, in place, into cairo's native-endian premultiplied
// ARGB words.
void toCairoPixels(unsigned char* pixels, std::size_t count, bool optimised) {
  for (std::size_t i = 0; i < count; ++i) {
    unsigned char* p = pixels + 4 * i;
    const std::uint32_t a = p[3];
    std::uint32_t r = p[0], g = p[1], b = p[2];
    if (optimised) {
      std::swap(r, b);  // stored B G R A, already premultiplied
      r = std::min(r, a), g = std::min(g, a), b = std::min(b, a);
    } else {
      r = (r * a + 127) / 255, g = (g * a + 127) / 255, b = (b * a + 127) / 255;
    }
    const std::uint32_t word = a << 24 | r << 16 | g << 8 | b;
    std::memcpy(p, &word, 4);
  }
}

cairo_surface_t* decode(std::string_view png, bool optimised, std::string* error) {
  MemoryInput input{png};
  png_structp reader = png_create_read_struct(PNG_LIBPNG_VER_STRING, error, storeError, ignoreWarning);
  png_infop info = reader ? png_create_info_struct(reader) : nullptr;
  if (!info) {
    png_destroy_read_struct(&reader, nullptr, nullptr);
    *error = "out of memory";
    return nullptr;
  }
  png_set_read_fn(reader, &input, readFromMemory);
  cairo_surface_t* surface = nullptr;
  if (readInfo(reader, info)) {
    const int width = static_cast<int>(png_get_image_width(reader, info));
    const int height = static_cast<int>(png_get_image_height(reader, info));
    surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS && cairo_image_surface_get_stride(surface) == width * 4) {
      unsigned char* pixels = cairo_image_surface_get_data(surface);
      std::vector<png_bytep> rows(static_cast<std::size_t>(height));
      for (int y = 0; y < height; ++y) rows[y] = pixels + static_cast<std::size_t>(y) * width * 4;
      if (readRows(reader, rows.data())) {
        toCairoPixels(pixels, static_cast<std::size_t>(width) * height, optimised);
        cairo_surface_mark_dirty(surface);
      } else {
        cairo_surface_destroy(surface);
        surface = nullptr;
      }
    } else {
      if (error->empty()) *error = "cannot allocate the image";
      cairo_surface_destroy(surface);
      surface = nullptr;
    }
  }
  png_destroy_read_struct(&reader, &info, nullptr);
  if (!surface && error->empty()) *error = "not a readable PNG";
  return surface;
}

}  // namespace

cairo_surface_t* standin::decodePNG(std::string_view bytes, std::string* error) {
  error->clear();
  if (!bytes.starts_with(kSignature)) return *error = "not a PNG file", nullptr;
  std::vector<Chunk> chunks;
  if (!splitChunks(bytes, &chunks) || chunks.empty()) return *error = "chunks run past the end of the file", nullptr;
  const bool optimised = chunks.front().type == "CgBI";
  Header header;
  const std::size_t headerAt = optimised ? 1 : 0;
  if (headerAt >= chunks.size()) return *error = "no image header", nullptr;
  if (!readHeader(chunks[headerAt], &header, error)) return nullptr;
  if (!optimised) return decode(bytes, false, error);
  if (!hasChunk(chunks, "IDAT")) return *error = "no image data", nullptr;
  std::string ordinary;
  if (!ordinaryFromOptimised(chunks, header, &ordinary, error)) return nullptr;
  return decode(ordinary, true, error);
}
