#include "heif_builder.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <stdexcept>

namespace brevine::test {

namespace {

std::uint64_t Be(const Bytes& b, std::size_t at, int bytes) {
  std::uint64_t v = 0;
  for (int i = 0; i < bytes; ++i) v = (v << 8) | b.at(at + i);
  return v;
}

void Put(Bytes& b, std::uint64_t v, int bytes) {
  const std::size_t at = b.size();
  b.resize(at + static_cast<std::size_t>(bytes));
  for (int i = 0; i < bytes; ++i)
    b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * (bytes - 1 - i)));
}

Bytes FullBox(const char* type, int version, std::uint32_t flags, const Bytes& body) {
  Bytes head(4 + body.size());
  head[0] = static_cast<std::uint8_t>(version);
  for (int i = 0; i < 3; ++i) head[1 + i] = static_cast<std::uint8_t>(flags >> (16 - 8 * i));
  std::copy(body.begin(), body.end(), head.begin() + 4);
  return MakeBox(type, head);
}

void Append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

struct Span {
  std::string type;
  std::size_t body = 0;  // offset of the body
  std::size_t size = 0;  // of the body
};

std::vector<Span> Children(const Bytes& b, std::size_t from, std::size_t end) {
  std::vector<Span> out;
  while (from + 8 <= end) {
    const auto size = static_cast<std::size_t>(Be(b, from, 4));
    if (size < 8 || size > end - from) break;
    out.push_back(
        {std::string(reinterpret_cast<const char*>(&b[from + 4]), 4), from + 8, size - 8});
    from += size;
  }
  return out;
}

const Span& Only(const std::vector<Span>& spans, const char* type) {
  const Span* found = nullptr;
  for (const Span& s : spans) {
    if (s.type == type) {
      if (found) throw std::invalid_argument(std::string("two ") + type + " boxes");
      found = &s;
    }
  }
  if (!found) throw std::invalid_argument(std::string("no ") + type + " box");
  return *found;
}

}  // namespace

Bytes MakeBox(const char* type, const Bytes& body) {
  Bytes box(8 + body.size());
  for (int i = 0; i < 4; ++i)
    box[i] = static_cast<std::uint8_t>((box.size() >> (24 - 8 * i)) & 0xFF);
  std::memcpy(&box[4], type, 4);
  std::copy(body.begin(), body.end(), box.begin() + 8);
  return box;
}

Bytes IspeBox(std::uint32_t width, std::uint32_t height) {
  Bytes body;
  Put(body, width, 4);
  Put(body, height, 4);
  return FullBox("ispe", 0, 0, body);
}

Bytes ClapBox(std::int32_t width, std::int32_t height, std::int32_t dx, std::int32_t dy) {
  Bytes body;
  for (const std::int32_t v : {width, 1, height, 1, dx, 1, dy, 1})
    Put(body, static_cast<std::uint32_t>(v), 4);
  return MakeBox("clap", body);
}

Bytes OverlayData(std::uint16_t width, std::uint16_t height,
                  const std::vector<std::pair<std::int16_t, std::int16_t>>& offsets) {
  Bytes d = {0, 0};
  for (const int fill : {0, 0, 0, 0xFFFF}) Put(d, static_cast<std::uint64_t>(fill), 2);
  Put(d, width, 2);
  Put(d, height, 2);
  for (const auto& [x, y] : offsets) {
    Put(d, static_cast<std::uint16_t>(x), 2);
    Put(d, static_cast<std::uint16_t>(y), 2);
  }
  return d;
}

CodedPicture TakeCodedPicture(const Bytes& file) {
  const auto top = Children(file, 0, file.size());
  const Span& meta = Only(top, "meta");
  const auto boxes = Children(file, meta.body + 4, meta.body + meta.size);
  const Span& pitm = Only(boxes, "pitm");
  if (file.at(pitm.body) != 0) throw std::invalid_argument("pitm of version 1");
  const auto primary = static_cast<std::uint32_t>(Be(file, pitm.body + 4, 2));

  CodedPicture out;
  const Span& iinf = Only(boxes, "iinf");
  const std::size_t entries = iinf.body + 4 + (file.at(iinf.body) == 0 ? 2 : 4);
  for (const Span& infe : Children(file, entries, iinf.body + iinf.size)) {
    if (file.at(infe.body) != 2) continue;
    if (Be(file, infe.body + 4, 2) == primary)
      out.type.assign(reinterpret_cast<const char*>(&file[infe.body + 8]), 4);
  }
  if (out.type != "hvc1" && out.type != "av01") throw std::invalid_argument("primary not coded");

  const Span& iprp = Only(boxes, "iprp");
  const auto parts = Children(file, iprp.body, iprp.body + iprp.size);
  const auto properties =
      Children(file, Only(parts, "ipco").body, Only(parts, "ipco").body + Only(parts, "ipco").size);
  const Span& ipma = Only(parts, "ipma");
  if (file.at(ipma.body) != 0 || (file.at(ipma.body + 3) & 1)) throw std::invalid_argument("ipma");
  std::size_t p = ipma.body + 4;
  const auto count = Be(file, p, 4);
  p += 4;
  for (std::uint64_t e = 0; e < count; ++e) {
    const auto item = Be(file, p, 2);
    const int n = file.at(p + 2);
    p += 3;
    for (int i = 0; i < n; ++i, ++p) {
      const std::size_t index = file.at(p) & 0x7F;
      if (item != primary || index == 0 || index > properties.size()) continue;
      const Span& s = properties[index - 1];
      if (s.type == "ispe") {
        out.width = static_cast<std::uint32_t>(Be(file, s.body + 4, 4));
        out.height = static_cast<std::uint32_t>(Be(file, s.body + 8, 4));
      } else {
        out.properties.emplace_back(file.begin() + static_cast<std::ptrdiff_t>(s.body - 8),
                                    file.begin() + static_cast<std::ptrdiff_t>(s.body + s.size));
      }
    }
  }

  const Span& iloc = Only(boxes, "iloc");
  const int version = file.at(iloc.body);
  p = iloc.body + 4;
  const int offsetSize = file.at(p) >> 4, lengthSize = file.at(p) & 15;
  const int baseSize = file.at(p + 1) >> 4, indexSize = version >= 1 ? (file.at(p + 1) & 15) : 0;
  p += 2;
  const int idSize = version < 2 ? 2 : 4;
  const auto items = Be(file, p, idSize);
  p += idSize;
  for (std::uint64_t i = 0; i < items; ++i) {
    const auto id = Be(file, p, idSize);
    p += idSize;
    if (version >= 1) p += 2;
    p += 2;
    const auto base = Be(file, p, baseSize);
    p += baseSize;
    const auto extents = Be(file, p, 2);
    p += 2;
    for (std::uint64_t e = 0; e < extents; ++e) {
      p += indexSize;
      const auto offset = base + Be(file, p, offsetSize);
      const auto length = Be(file, p + offsetSize, lengthSize);
      p += offsetSize + lengthSize;
      if (id == primary)
        out.data.insert(out.data.end(), file.begin() + static_cast<std::ptrdiff_t>(offset),
                        file.begin() + static_cast<std::ptrdiff_t>(offset + length));
    }
  }
  if (out.data.empty() || out.width == 0) throw std::invalid_argument("no coded picture");
  return out;
}

BuiltItem CodedItem(std::uint32_t id, const CodedPicture& picture) {
  BuiltItem item;
  item.id = id;
  item.type = picture.type;
  item.properties.push_back(IspeBox(picture.width, picture.height));
  for (const Bytes& b : picture.properties) item.properties.push_back(b);
  item.data = picture.data;
  return item;
}

Bytes BuildHeif(std::uint32_t primary, const std::vector<BuiltItem>& items, bool av1) {
  Bytes ftyp;
  ftyp.insert(ftyp.end(), av1 ? "avif" : "heic", (av1 ? "avif" : "heic") + 4);
  Put(ftyp, 0, 4);
  for (const char* brand : {"mif1", av1 ? "avif" : "heic", "miaf"})
    ftyp.insert(ftyp.end(), brand, brand + 4);
  const Bytes ftypBox = MakeBox("ftyp", ftyp);

  Bytes hdlr(4 + 4 + 13, 0);
  std::memcpy(&hdlr[4], "pict", 4);
  Bytes pitm;
  Put(pitm, primary, 2);

  Bytes iinf;
  Put(iinf, items.size(), 2);
  for (const BuiltItem& item : items) {
    Bytes infe;
    Put(infe, item.id, 2);
    Put(infe, 0, 2);
    infe.insert(infe.end(), item.type.begin(), item.type.end());
    infe.push_back(0);
    Append(iinf, FullBox("infe", 2, item.hidden ? 1 : 0, infe));
  }

  Bytes iref;
  for (const BuiltItem& item : items) {
    const auto reference = [&](const char* type, const std::vector<std::uint32_t>& to) {
      if (to.empty()) return;
      Bytes r;
      Put(r, item.id, 2);
      Put(r, to.size(), 2);
      for (const std::uint32_t id : to) Put(r, id, 2);
      Append(iref, MakeBox(type, r));
    };
    reference("dimg", item.inputs);
    if (item.thumbnailOf) reference("thmb", {item.thumbnailOf});
    if (item.auxiliaryOf) reference("auxl", {item.auxiliaryOf});
  }

  Bytes ipco, ipma;
  Put(ipma, items.size(), 4);
  int index = 0;
  for (const BuiltItem& item : items) {
    Put(ipma, item.id, 2);
    Put(ipma, item.properties.size(), 1);
    for (const Bytes& property : item.properties) {
      Append(ipco, property);
      Put(ipma, 0x80u | static_cast<unsigned>(++index), 1);
    }
  }
  if (index > 127) throw std::invalid_argument("too many properties");
  Bytes iprp = MakeBox("ipco", ipco);
  Append(iprp, FullBox("ipma", 0, 0, ipma));

  // Item locations: version 1, 4-byte offsets and lengths; the coded data goes to mdat in
  // item order, the rest to idat.
  Bytes idat, mdat;
  std::map<std::uint32_t, std::pair<int, std::size_t>> placed;  // method, offset
  for (const BuiltItem& item : items) {
    const bool coded = item.type == "hvc1" || item.type == "av01";
    Bytes& into = coded ? mdat : idat;
    placed[item.id] = {coded ? 0 : 1, into.size()};
    Append(into, item.data);
  }
  const auto metaBody = [&](std::size_t mdatData) {
    // An item without data (an identity) has a location of no extents.
    Bytes iloc = {0x44, 0x00};
    Put(iloc, items.size(), 2);
    for (const BuiltItem& item : items) {
      const auto [method, offset] = placed[item.id];
      Put(iloc, item.id, 2);
      Put(iloc, item.data.empty() ? 0 : static_cast<std::uint64_t>(method), 2);
      Put(iloc, 0, 2);
      Put(iloc, item.data.empty() ? 0 : 1, 2);
      if (item.data.empty()) continue;
      Put(iloc, method == 0 ? mdatData + offset : offset, 4);
      Put(iloc, item.data.size(), 4);
    }
    Bytes body = {0, 0, 0, 0};
    Append(body, FullBox("hdlr", 0, 0, hdlr));
    Append(body, FullBox("pitm", 0, 0, pitm));
    Append(body, FullBox("iloc", 1, 0, iloc));
    Append(body, FullBox("iinf", 0, 0, iinf));
    if (!iref.empty()) Append(body, FullBox("iref", 0, 0, iref));
    Append(body, MakeBox("iprp", iprp));
    if (!idat.empty()) Append(body, MakeBox("idat", idat));
    return MakeBox("meta", body);
  };
  const std::size_t mdatData = ftypBox.size() + metaBody(0).size() + 8;
  Bytes file = ftypBox;
  Append(file, metaBody(mdatData));
  Append(file, MakeBox("mdat", mdat));
  return file;
}

ReferencePicture LibheifDecode(const Bytes& file) {
  static std::once_flag once;
  std::call_once(once, [] { heif_init(nullptr); });
  ReferencePicture out;
  const std::unique_ptr<heif_context, void (*)(heif_context*)> context(heif_context_alloc(),
                                                                       heif_context_free);
  heif_error e =
      heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr);
  heif_image_handle* handle = nullptr;
  if (e.code == heif_error_Ok) e = heif_context_get_primary_image_handle(context.get(), &handle);
  const std::unique_ptr<heif_image_handle, void (*)(const heif_image_handle*)> handleOwner(
      handle, heif_image_handle_release);
  heif_image* image = nullptr;
  if (e.code == heif_error_Ok)
    e = heif_decode_image(handle, &image, heif_colorspace_RGB, heif_chroma_interleaved_RGB,
                          nullptr);
  const std::unique_ptr<heif_image, void (*)(const heif_image*)> imageOwner(image,
                                                                            heif_image_release);
  if (e.code != heif_error_Ok) {
    out.error = e.message ? e.message : "failed";
    return out;
  }
  out.width = heif_image_get_width(image, heif_channel_interleaved);
  out.height = heif_image_get_height(image, heif_channel_interleaved);
  if (out.width != heif_image_handle_get_width(handle) ||
      out.height != heif_image_handle_get_height(handle)) {
    out.error = "decoded picture of another size than its handle";
    return out;
  }
  int stride = 0;
  const std::uint8_t* plane =
      heif_image_get_plane_readonly(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < out.height; ++y)
    out.rgb.insert(out.rgb.end(), plane + static_cast<std::ptrdiff_t>(stride) * y,
                   plane + static_cast<std::ptrdiff_t>(stride) * y + 3 * out.width);
  return out;
}

}  // namespace brevine::test
