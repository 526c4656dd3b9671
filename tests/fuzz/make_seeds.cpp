// Writes small valid files of every decoder's format, in their common variants, as seed
// corpora: fuzz_seeds OUTPUT_FOLDER makes OUTPUT_FOLDER/{bmp,jpeg,gif,png,exif,webp,icc,heif}/.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "exif_blocks.h"
#include "format_writers.h"
#include "heif_files.h"

// jpeglib.h needs size_t and FILE declared before it.
#include <jpeglib.h>
#include <tiffio.h>
#include <webp/encode.h>
#include <webp/mux.h>
#include <zlib.h>

namespace {

using brevine::test::Bytes;
namespace fs = std::filesystem;

void Save(const fs::path& folder, const std::string& name, const Bytes& bytes) {
  fs::create_directories(folder);
  std::ofstream out(folder / name, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::fprintf(stderr, "cannot write %s\n", (folder / name).c_str());
    std::exit(1);
  }
}

std::vector<std::uint8_t> Indices(int width, int height, int colours) {
  std::vector<std::uint8_t> v;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) v.push_back(static_cast<std::uint8_t>((x + 2 * y) % colours));
  }
  return v;
}

// ---- GIF ------------------------------------------------------------------------------

void GifSeeds(const fs::path& folder) {
  using brevine::test::GifImageSpec;
  using brevine::test::GifWriter;
  const std::vector<std::uint32_t> table = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF,
                                            0xFFFF00, 0x00FFFF, 0xFF00FF, 0xFFFFFF};
  GifImageSpec image;
  image.width = 8;
  image.height = 6;
  image.indices = Indices(8, 6, 8);
  Save(folder, "plain.gif", GifWriter(table, 8, 6).Image(image).Finish());

  GifImageSpec interlaced = image;
  interlaced.interlaced = true;
  interlaced.localTable = {0x112233, 0x445566, 0x778899, 0xAABBCC};
  interlaced.indices = Indices(8, 6, 4);
  interlaced.left = 3;
  interlaced.top = 2;
  Save(folder, "interlaced-local.gif", GifWriter(table, 16, 16).Image(interlaced).Finish());

  GifWriter animation(table, 8, 6);
  animation.Extension(0xFF, {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'});
  animation.Extension(0xFE, {'s', 'e', 'e', 'd'});
  for (int frame = 0; frame < 3; ++frame) {
    animation.GraphicControl(frame, 10, 2);
    image.indices = Indices(8, 6, 8 - frame);
    animation.Image(image);
  }
  Save(folder, "animation.gif", animation.Finish());

  GifImageSpec small;
  small.width = 1;
  small.height = 1;
  small.indices = {1};
  small.localTable = {0x000000, 0xFFFFFF};
  Save(folder, "87a-local-only.gif",
       GifWriter(std::vector<std::uint32_t>{}, 1, 1, "GIF87a").Image(small).Finish());

  std::vector<std::uint32_t> grey;
  for (int i = 0; i < 256; ++i) grey.push_back(static_cast<std::uint32_t>(i * 0x010101));
  GifImageSpec wide;
  wide.width = 40;
  wide.height = 3;
  for (int i = 0; i < 120; ++i) wide.indices.push_back(static_cast<std::uint8_t>(i * 7));
  Save(folder, "256-colours.gif", GifWriter(grey, 40, 3).Image(wide).Finish());
}

// ---- PNG ------------------------------------------------------------------------------

// A profile that passes the well-formed test: size, colour space, signature.
Bytes Profile(std::size_t size) {
  Bytes p(size, 0x55);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(size >> (24 - 8 * i));
  std::memcpy(p.data() + 16, "RGB ", 4);
  std::memcpy(p.data() + 36, "acsp", 4);
  return p;
}

// An RGB picture with the profile in an iCCP chunk right after IHDR.
Bytes PngWithProfile() {
  brevine::test::PngSpec layout;
  layout.width = 4;
  layout.height = 3;
  for (int i = 0; i < 4 * 3 * 3; ++i) layout.samples.push_back(static_cast<std::uint16_t>(i * 7));
  Bytes png = brevine::test::MakePng(layout);
  const Bytes profile = Profile(400);
  uLongf size = compressBound(profile.size());
  Bytes body = {'p', 0, 0};
  body.resize(3 + size);
  compress2(body.data() + 3, &size, profile.data(), profile.size(), 9);
  body.resize(3 + size);
  const Bytes chunk = brevine::test::PngChunk("iCCP", body);
  png.insert(png.begin() + 33, chunk.begin(), chunk.end());
  return png;
}

void PngSeeds(const fs::path& folder) {
  Save(folder, "iccp.png", PngWithProfile());
  using brevine::test::Append;
  using brevine::test::MakePng;
  using brevine::test::PngChunk;
  using brevine::test::PngSpec;
  const struct {
    int colourType, depth;
  } kinds[] = {{0, 1}, {0, 2},  {0, 4}, {0, 8},  {0, 16}, {4, 8}, {4, 16},
               {2, 8}, {2, 16}, {6, 8}, {6, 16}, {3, 1},  {3, 4}, {3, 8}};
  const std::vector<std::uint32_t> palette = {0x000000, 0xFF8000, 0x0080FF, 0xFFFFFF,
                                              0x123456, 0x654321, 0xABCDEF, 0xFEDCBA};
  int n = 0;
  for (const auto& kind : kinds) {
    PngSpec layout;
    layout.width = 5;
    layout.height = 4;
    layout.depth = kind.depth;
    layout.colourType = kind.colourType;
    layout.interlaced = (n % 3) == 1;
    const int channels = brevine::test::PngChannels(kind.colourType);
    const int limit =
        kind.colourType == 3 ? std::min(7, (1 << kind.depth) - 1) : (1 << kind.depth) - 1;
    for (int i = 0; i < 5 * 4 * channels; ++i) {
      layout.samples.push_back(static_cast<std::uint16_t>((i * 2654435761u >> 7) % (limit + 1)));
    }
    const std::string name = "type" + std::to_string(kind.colourType) + "-depth" +
                             std::to_string(kind.depth) + (layout.interlaced ? "-adam7" : "") +
                             ".png";
    Save(folder, name,
         MakePng(layout, kind.colourType == 3 ? palette : std::vector<std::uint32_t>{}));
    ++n;
  }

  // Ancillary and unknown chunks, a cut-off end and a MacBinary prefix.
  PngSpec layout;
  layout.width = 6;
  layout.height = 3;
  layout.depth = 8;
  layout.colourType = 3;
  for (int i = 0; i < 18; ++i) layout.samples.push_back(static_cast<std::uint16_t>(i % 4));
  Bytes chunks = brevine::test::PngSignature();
  Append(chunks, PngChunk("IHDR", brevine::test::PngHeaderData(6, 3, 8, 3)));
  Append(chunks, PngChunk("gAMA", {0, 0, 0xB1, 0x8F}));
  Append(chunks, PngChunk("PLTE", {0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
  Append(chunks, PngChunk("tRNS", {0, 128}));
  Append(chunks, PngChunk("bKGD", {1}));
  Append(chunks, PngChunk("ABCD", {1, 2, 3, 4}, false));
  const Bytes data = brevine::test::PngImageData(layout);
  Append(chunks, PngChunk("IDAT", Bytes(data.begin(), data.begin() + data.size() / 2)));
  Append(chunks, PngChunk("IDAT", Bytes(data.begin() + data.size() / 2, data.end())));
  Append(chunks, PngChunk("tEXt", {'k', 0, 'v'}));
  Save(folder, "chunks-no-iend.png", chunks);

  Bytes macBinary(128, 0x20);
  macBinary[0] = 0;
  macBinary[74] = 0;
  layout.colourType = 0;
  Append(macBinary, MakePng(layout));
  Save(folder, "macbinary.png", macBinary);
}

// ---- BMP ------------------------------------------------------------------------------

void BmpSeeds(const fs::path& folder) {
  using brevine::test::MakeBmp;
  std::vector<std::uint8_t> bgr;
  for (int i = 0; i < 7 * 5 * 3; ++i) bgr.push_back(static_cast<std::uint8_t>(i * 37));
  Save(folder, "24bit.bmp", MakeBmp(7, 5, 24, bgr));
  Save(folder, "24bit-topdown.bmp", MakeBmp(7, 5, 24, bgr, {}, true));
  Save(folder, "32bit.bmp", MakeBmp(7, 5, 32, bgr));
  const std::vector<std::uint32_t> palette = {0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00,
                                              0x0000FF, 0x808080, 0x102030, 0x405060};
  Save(folder, "8bit.bmp", MakeBmp(7, 5, 8, Indices(7, 5, 8), palette));
  Save(folder, "4bit.bmp", MakeBmp(7, 5, 4, Indices(7, 5, 8), palette));
  Save(folder, "1bit.bmp", MakeBmp(9, 5, 1, Indices(9, 5, 2), {0x000000, 0xFFFFFF}));

  // RLE8: the 8-bit file with its pixel data replaced by runs, an absolute run and the
  // end-of-line and end-of-bitmap codes.
  Bytes rle = MakeBmp(7, 5, 8, Indices(7, 5, 8), palette);
  const std::size_t offset = 14 + 40 + palette.size() * 4;
  rle.resize(offset);
  const Bytes runs = {3, 1, 0, 4, 2, 3, 4, 5, 0, 0, 7, 6, 0, 0,
                      0, 2, 1, 1, 2, 2, 0, 0, 7, 3, 0, 0, 0, 1};
  rle.insert(rle.end(), runs.begin(), runs.end());
  rle[30] = 1;  // compression
  rle[34] = static_cast<std::uint8_t>(runs.size());
  Save(folder, "rle8.bmp", rle);
}

// ---- JPEG -----------------------------------------------------------------------------

Bytes EncodeJpeg(int width, int height, int components, J_COLOR_SPACE space, bool progressive,
                 int restartRows) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr jerr;
  cinfo.err = jpeg_std_error(&jerr);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(width);
  cinfo.image_height = static_cast<JDIMENSION>(height);
  cinfo.input_components = components;
  cinfo.in_color_space = space;
  jpeg_set_defaults(&cinfo);
  jpeg_set_quality(&cinfo, 75, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  cinfo.restart_in_rows = restartRows;
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * components);
  while (cinfo.next_scanline < cinfo.image_height) {
    for (int i = 0; i < width * components; ++i) {
      row[i] = static_cast<JSAMPLE>((i * 13 + cinfo.next_scanline * 29) & 0xFF);
    }
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&cinfo, rows, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  Bytes out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

// The head of one chunk of a profile in APP2 segments: the name, the chunk's number (from
// 1) and the count of chunks.
Bytes IccChunkHead(int sequence, int count) {
  const char name[] = "ICC_PROFILE";
  Bytes head(name, name + sizeof name);  // with its NUL
  head.push_back(static_cast<std::uint8_t>(sequence));
  head.push_back(static_cast<std::uint8_t>(count));
  return head;
}

void JpegSeeds(const fs::path& folder) {
  Save(folder, "colour.jpg", EncodeJpeg(16, 8, 3, JCS_RGB, false, 0));
  Save(folder, "grey.jpg", EncodeJpeg(9, 7, 1, JCS_GRAYSCALE, false, 0));
  Save(folder, "progressive.jpg", EncodeJpeg(17, 9, 3, JCS_RGB, true, 0));
  Save(folder, "restart.jpg", EncodeJpeg(24, 24, 3, JCS_RGB, false, 1));
  Save(folder, "cmyk.jpg", EncodeJpeg(8, 8, 4, JCS_CMYK, false, 0));
  // EXIF orientation and a profile in two segments, in front of the picture.
  Bytes meta = EncodeJpeg(16, 8, 3, JCS_RGB, false, 0);
  const Bytes profile = Profile(300);
  Bytes segments = {0xFF, 0xE1, 0, 32,   'E',  'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0,
                    0,    1,    0, 0x12, 0x01, 3,   0,   1,   0, 0, 0,   6,   0,  0, 0, 0, 0};
  for (int i = 0; i < 2; ++i) {
    const Bytes head = IccChunkHead(i + 1, 2);
    segments.insert(segments.end(), {0xFF, 0xE2, 0, 2 + 14 + 150});
    segments.insert(segments.end(), head.begin(), head.end());
    segments.insert(segments.end(), profile.begin() + 150 * i, profile.begin() + 150 * (i + 1));
  }
  meta.insert(meta.begin() + 2, segments.begin(), segments.end());
  Save(folder, "metadata.jpg", meta);
}

// ---- WebP ----------------------------------------------------------------------------

Bytes Rgba(int width, int height) {
  Bytes v;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      v.insert(v.end(), {static_cast<std::uint8_t>(x * 16), static_cast<std::uint8_t>(y * 20),
                         static_cast<std::uint8_t>((x + y) * 9), static_cast<std::uint8_t>(x * y)});
    }
  }
  return v;
}

Bytes EncodeWebp(int width, int height, bool lossless, bool alpha) {
  const Bytes rgba = Rgba(width, height);
  Bytes rgb;
  for (std::size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), &rgba[i], &rgba[i] + 3);
  std::uint8_t* out = nullptr;
  std::size_t size = 0;
  if (alpha) {
    size = lossless ? WebPEncodeLosslessRGBA(rgba.data(), width, height, width * 4, &out)
                    : WebPEncodeRGBA(rgba.data(), width, height, width * 4, 75, &out);
  } else {
    size = lossless ? WebPEncodeLosslessRGB(rgb.data(), width, height, width * 3, &out)
                    : WebPEncodeRGB(rgb.data(), width, height, width * 3, 75, &out);
  }
  Bytes bytes(out, out + size);
  WebPFree(out);
  return bytes;
}

Bytes Assemble(WebPMux* mux) {
  WebPData out{};
  Bytes bytes;
  if (WebPMuxAssemble(mux, &out) == WEBP_MUX_OK) bytes.assign(out.bytes, out.bytes + out.size);
  WebPDataClear(&out);
  WebPMuxDelete(mux);
  return bytes;
}

void WebpSeeds(const fs::path& folder) {
  Save(folder, "lossy.webp", EncodeWebp(16, 8, false, false));
  Save(folder, "lossy-alpha.webp", EncodeWebp(15, 9, false, true));
  Save(folder, "lossless.webp", EncodeWebp(16, 8, true, false));
  Save(folder, "lossless-alpha.webp", EncodeWebp(7, 5, true, true));

  const Bytes still = EncodeWebp(12, 12, false, false);
  const WebPData image{still.data(), still.size()};
  WebPMux* mux = WebPMuxCreate(&image, 1);
  const Bytes icc = Profile(200);
  const Bytes exif = {'E',  'x',  'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 1, 0,
                      0x12, 0x01, 3,   0,   1, 0, 0,   0,   6,  0, 0, 0, 0, 0, 0, 0};
  const WebPData iccData{icc.data(), icc.size()};
  const WebPData exifData{exif.data(), exif.size()};
  WebPMuxSetChunk(mux, "ICCP", &iccData, 1);
  WebPMuxSetChunk(mux, "EXIF", &exifData, 1);
  Save(folder, "chunks.webp", Assemble(mux));

  const Bytes frames[2] = {EncodeWebp(8, 6, true, true), EncodeWebp(16, 12, false, false)};
  mux = WebPMuxNew();
  for (int i = 0; i < 2; ++i) {
    WebPMuxFrameInfo frame{};
    frame.bitstream = WebPData{frames[i].data(), frames[i].size()};
    frame.x_offset = 2 * (1 - i);
    frame.y_offset = 4 * (1 - i);
    frame.duration = 50;
    frame.id = WEBP_CHUNK_ANMF;
    WebPMuxPushFrame(mux, &frame, 1);
  }
  WebPMuxAnimParams params{};
  WebPMuxSetAnimationParams(mux, &params);
  WebPMuxSetCanvasSize(mux, 16, 12);
  Save(folder, "animation.webp", Assemble(mux));
}

// ---- ICC segment lists --------------------------------------------------------------------

void IccSeeds(const fs::path& folder) {
  const Bytes profile = Profile(300);
  auto list = [&](std::vector<int> order, int count) {
    Bytes out;
    const std::size_t step = (profile.size() + count - 1) / count;
    for (int sequence : order) {
      const std::size_t begin = std::min(profile.size(), step * (sequence - 1));
      const std::size_t end = std::min(profile.size(), begin + step);
      Bytes body = IccChunkHead(sequence, count);
      body.insert(body.end(), profile.begin() + begin, profile.begin() + end);
      out.push_back(static_cast<std::uint8_t>(body.size() >> 8));
      out.push_back(static_cast<std::uint8_t>(body.size()));
      out.insert(out.end(), body.begin(), body.end());
    }
    return out;
  };
  Save(folder, "one.bin", list({1}, 1));
  Save(folder, "three.bin", list({1, 2, 3}, 3));
  Save(folder, "shuffled.bin", list({3, 1, 2}, 3));
  Save(folder, "gap.bin", list({1, 3}, 3));
}

// ---- HEIF -----------------------------------------------------------------------------

void HeifSeeds(const fs::path& folder) {
  using brevine::test::EncodeHeif;
  using brevine::test::HeifOptions;
  using brevine::test::Quadrants;
  HeifOptions heic;
  heic.quality = 50;
  Save(folder, "plain.heic", EncodeHeif(Quadrants(24, 16), heic));
  Save(folder, "alpha.heic", EncodeHeif(Quadrants(24, 16, 8, true), heic));
  Save(folder, "10bit.heic", EncodeHeif(Quadrants(16, 16, 10), heic));
  HeifOptions turned = heic;
  turned.orientation = 5;
  turned.nclxPrimaries = 12;
  Save(folder, "turned-p3.heic", EncodeHeif(Quadrants(24, 16), turned));
  HeifOptions tagged = heic;
  tagged.icc = {0, 0, 0, 132};
  tagged.icc.resize(132);
  std::copy_n("RGB ", 4, tagged.icc.begin() + 16);
  std::copy_n("acsp", 4, tagged.icc.begin() + 36);
  tagged.exif = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 0x01, 0x12, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0};
  Save(folder, "icc-exif.heic", EncodeHeif(Quadrants(16, 8), tagged));
  HeifOptions avif = heic;
  avif.av1 = true;
  Save(folder, "plain.avif", EncodeHeif(Quadrants(24, 16), avif));
  avif.orientation = 6;
  avif.nclxPrimaries = 9;
  Save(folder, "turned-bt2020.avif", EncodeHeif(Quadrants(16, 8, 8, true), avif));
  // Files that announce more than they hold: a strip over a square canvas, a square canvas
  // of one small tile, and sizes that agree in too few bytes.
  using brevine::test::RewrittenGrid;
  Save(folder, "bomb-strip-32767.heic", RewrittenGrid(32767, 32767, 32767, 256));
  Save(folder, "bomb-strip-16384.heic", RewrittenGrid(16384, 16384, 16384, 256));
  Save(folder, "bomb-square-16384.heic", RewrittenGrid(16384, 16384, 16384, 16384));
  Save(folder, "bomb-agreeing-16384.heic", RewrittenGrid(16384, 16384, 16384, 16384, 16384, 16384));
  Save(folder, "cut-tile.heic", RewrittenGrid(40, 20, 40, 20));
}

}  // namespace

// ---- EXIF ---------------------------------------------------------------------------

void ExifSeeds(const fs::path& folder) {
  Save(folder, "camera-ii.tiff", brevine::test::CameraBlock(EXIF_BYTE_ORDER_INTEL).Tiff());
  Save(folder, "camera-mm.tiff", brevine::test::CameraBlock(EXIF_BYTE_ORDER_MOTOROLA).Tiff());
  brevine::test::SourceBlock small(EXIF_BYTE_ORDER_INTEL);
  small.Text(EXIF_IFD_0, EXIF_TAG_MAKE, "X").Short(EXIF_IFD_0, EXIF_TAG_ORIENTATION, 3);
  Save(folder, "ifd0-only.tiff", small.Tiff());
}

namespace {

// Small TIFFs in the layouts libtiff's RGBA reader takes different paths for, written by
// libtiff itself.
void TiffSeeds(const fs::path& folder) {
  fs::create_directories(folder);
  struct Layout {
    const char* name;
    int samples, bits, compression, photometric, planar, tile, orientation;
  };
  const Layout layouts[] = {
      {"rgb-lzw.tif", 3, 8, COMPRESSION_LZW, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, 0, 1},
      {"rgb-deflate-separate.tif", 3, 8, COMPRESSION_ADOBE_DEFLATE, PHOTOMETRIC_RGB,
       PLANARCONFIG_SEPARATE, 0, 6},
      {"rgba-tiles.tif", 4, 8, COMPRESSION_PACKBITS, PHOTOMETRIC_RGB, PLANARCONFIG_CONTIG, 16, 3},
      {"grey16.tif", 1, 16, COMPRESSION_NONE, PHOTOMETRIC_MINISBLACK, PLANARCONFIG_CONTIG, 0, 1},
      {"fax.tif", 1, 1, COMPRESSION_CCITTFAX4, PHOTOMETRIC_MINISWHITE, PLANARCONFIG_CONTIG, 0, 1},
      {"ycbcr-jpeg.tif", 3, 8, COMPRESSION_JPEG, PHOTOMETRIC_YCBCR, PLANARCONFIG_CONTIG, 16, 1},
  };
  for (const Layout& l : layouts) {
    const std::string path = (folder / l.name).string();
    TIFF* tif = TIFFOpen(path.c_str(), "w");
    if (tif == nullptr) std::exit(1);
    const int width = 40, height = 24;
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, width);
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, height);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, l.samples);
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, l.bits);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, l.compression);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, l.photometric);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, l.planar);
    TIFFSetField(tif, TIFFTAG_ORIENTATION, l.orientation);
    if (l.compression == COMPRESSION_JPEG)
      TIFFSetField(tif, TIFFTAG_JPEGCOLORMODE, JPEGCOLORMODE_RGB);
    if (l.samples == 4) {
      const std::uint16_t extra = EXTRASAMPLE_UNASSALPHA;
      TIFFSetField(tif, TIFFTAG_EXTRASAMPLES, 1, &extra);
    }
    const int planes = l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1;
    if (l.tile > 0) {
      TIFFSetField(tif, TIFFTAG_TILEWIDTH, l.tile);
      TIFFSetField(tif, TIFFTAG_TILELENGTH, l.tile);
      Bytes tile(static_cast<std::size_t>(TIFFTileSize(tif)));
      for (std::size_t i = 0; i < tile.size(); ++i) tile[i] = static_cast<std::uint8_t>(i * 13);
      for (int p = 0; p < planes; ++p)
        for (int y = 0; y < height; y += l.tile)
          for (int x = 0; x < width; x += l.tile) TIFFWriteTile(tif, tile.data(), x, y, 0, p);
    } else {
      TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, 5);
      Bytes row(static_cast<std::size_t>(TIFFScanlineSize(tif)));
      for (int p = 0; p < planes; ++p) {
        for (int y = 0; y < height; ++y) {
          for (std::size_t i = 0; i < row.size(); ++i)
            row[i] = static_cast<std::uint8_t>(i * 7 + y * 31 + p * 101);
          TIFFWriteScanline(tif, row.data(), y, p);
        }
      }
    }
    TIFFClose(tif);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  const fs::path out = argv[1];
  GifSeeds(out / "gif");
  PngSeeds(out / "png");
  BmpSeeds(out / "bmp");
  JpegSeeds(out / "jpeg");
  ExifSeeds(out / "exif");
  WebpSeeds(out / "webp");
  IccSeeds(out / "icc");
  HeifSeeds(out / "heif");
  TiffSeeds(out / "tiff");
  return 0;
}
