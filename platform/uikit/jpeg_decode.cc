// JPEG through libjpeg (Debian's libjpeg-turbo): baseline and progressive,
// grey, colour and CMYK (Adobe's inverted form, as Photoshop writes it).
#include <csetjmp>
#include <cstdio>  // before jpeglib.h, which uses FILE and size_t
#include <vector>

#include <jpeglib.h>

#include "uikit/image_decode.h"

namespace {

// A progressive file of a few bytes can ask for thousands of scans, each a
// pass over the whole image; no real file needs this many.
constexpr long kMaxScans = 256;
constexpr long kMaxDecoderMemory = 256l << 20;

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = "damaged JPEG data";
};

[[noreturn]] void failJump(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  manager->base.format_message(info, manager->message);
  std::longjmp(manager->jump, 1);
}

void quiet(j_common_ptr, int) {}  // libjpeg would print its warnings to stderr

void checkScans(j_common_ptr common) {
  auto* info = reinterpret_cast<j_decompress_ptr>(common);
  if (info->input_scan_number > kMaxScans) {
    std::snprintf(reinterpret_cast<ErrorManager*>(info->err)->message, JMSG_LENGTH_MAX, "more than %ld scans",
                  kMaxScans);
    std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->jump, 2);
  }
}

}  // namespace

cairo_surface_t* standin::decodeJPEG(std::string_view bytes, std::string* error) {
  jpeg_decompress_struct info{};
  ErrorManager errors{};
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = failJump;
  errors.base.emit_message = quiet;
  jpeg_progress_mgr progress{};
  progress.progress_monitor = checkScans;
  // libjpeg reports errors by a long jump back here, so nothing it may jump
  // over has a destructor: the pixels are read whole into `pixels` (bounded
  // by the header's checked size), and the surface made after.
  std::vector<JSAMPLE> pixels;
  if (const int jumped = setjmp(errors.jump)) {
    jpeg_destroy_decompress(&info);
    *error = jumped == 2 ? errors.message : std::string("damaged JPEG data (") + errors.message + ")";
    return nullptr;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kMaxDecoderMemory;
  info.progress = &progress;
  jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (!standin::imageSizeWithinBounds(info.image_width, info.image_height, error)) {
    jpeg_destroy_decompress(&info);
    return nullptr;
  }
  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
  jpeg_start_decompress(&info);
  const std::size_t channels = static_cast<std::size_t>(info.output_components);
  const std::size_t width = info.output_width, height = info.output_height;
  pixels.resize(width * height * channels);
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {&pixels[info.output_scanline * width * channels]};
    if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
  }
  const bool inverted = cmyk && info.saw_Adobe_marker;
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);

  return standin::surfaceFromRows(
      static_cast<unsigned>(width), static_cast<unsigned>(height), [&](unsigned y, unsigned char* rgba) {
        for (std::size_t x = 0; x < width; ++x) {
          const JSAMPLE* p = &pixels[(y * width + x) * channels];
          unsigned char* out = rgba + x * 4;
          if (cmyk) {
            // Each ink takes away from white; Adobe stores the inks inverted.
            const unsigned k = inverted ? p[3] : 255u - p[3];
            for (int c = 0; c < 3; ++c) out[c] = static_cast<unsigned char>((inverted ? p[c] : 255u - p[c]) * k / 255);
          } else {
            out[0] = p[0], out[1] = p[1], out[2] = p[2];
          }
          out[3] = 255;
        }
        return true;
      });
}
