#include "asf/tree_text.hpp"

#include "asf/field_visitors.hpp"

#include <chrono>
#include <cstdio>

#include "asf/catalogue.hpp"
#include "asf/streams.hpp"
#include "l10n/messages.hpp"

namespace corvel {

namespace {

std::string dec(std::int64_t v) { return std::to_string(v); }

std::string fourCC(std::uint32_t v) {
  const std::uint8_t b[4] = {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
                             static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)};
  return BytesToStr(b, 0, 4);
}

}  // namespace

std::string BytesLine(const std::string& label, const Bytes& data) {
  if (data.size() > 24) return label + "/bytes/";
  return label + BytesToHex(data, 0, data.size());
}

std::string FileTimeToText(std::int64_t filetime) {
  // Milliseconds from 1601-01-01, which is 134774 days before 1970-01-01.
  using namespace std::chrono;
  const milliseconds ms{filetime / 10000};
  const sys_days day = floor<days>(sys_time<milliseconds>(ms)) - days{134774};
  const year_month_day ymd{day};
  const auto secs = duration_cast<seconds>(ms - floor<days>(ms)).count();
  char out[64];
  std::snprintf(out, sizeof out, "%02u.%02u.%04d %02lld:%02lld:%02lld", static_cast<unsigned>(ymd.day()),
                static_cast<unsigned>(ymd.month()), static_cast<int>(ymd.year()), static_cast<long long>(secs / 3600),
                static_cast<long long>(secs / 60 % 60), static_cast<long long>(secs % 60));
  return out;
}

std::string AudioCodecName(std::uint16_t tag) {
  switch (tag) {
    case 0x0161: return " [Windows Media Audio (7,8,9 Series)]";
    case 0x0162: return " [Windows Media Audio 9 Professional]";
    case 0x0163: return " [Windows Media Audio 9 Lossless]";
    case 0x7A21: return " [GSM-AMR (Fixed bit rate, no SID)]";
    case 0x7A22: return " [GSM-AMR (Variable bit rate, including SID)]";
    default: return " [Unknown]";
  }
}

void AddObjectNodes(FileStructure& fs, bool showUnnamed) {
  fs.tree.clear();
  for (std::size_t i = 0; i < fs.objects.size(); ++i) {
    ObjectEntry& b = fs.objects[i];
    b.node = -1;
    if (!showUnnamed && ObjectName(b.guid).empty()) continue;
    const std::string text = "'" + ObjectDisplayName(b.guid) + "' (" + dec(b.size) + ")";
    int parent = StructureTree::kRoot;
    if (b.parent >= 0 && static_cast<std::size_t>(b.parent) < i) parent = fs.objects[static_cast<std::size_t>(b.parent)].node;
    if (parent < 0) parent = StructureTree::kRoot;
    b.node = fs.tree.add(parent, text);
    fs.tree.node(b.node).object = static_cast<int>(i);
  }
}

// An object read always has its kind's GUID: a null one is a record whose
// bytes could not be read, and its GUIDs show as unknown (empty).
void FieldPresenter::head(const Guid& id, std::int64_t size) {
  unread_ = id == Guid{};
  guid("ObjectID", id);
  line("ObjectSize", dec(size));
}

void FieldPresenter::guid(std::string_view name, const Guid& x, Show show) {
  const std::string text = unread_ && x == Guid{} ? std::string() : x.text();
  line(name, show == Show::streamType ? text + " (" + StreamTypeName(x) + ")" : text);
}

std::string FieldPresenter::number(std::int64_t v, Show show) {
  switch (show) {
    case Show::hex: return HexDigits(static_cast<std::uint64_t>(v), 8) + " (hex)";
    case Show::date: return dec(v) + " (" + FileTimeToText(v) + ")";
    case Show::seconds: {
      char secs[64];
      std::snprintf(secs, sizeof secs, "%.7g", static_cast<double>(v) / 10000000.0);
      // The tree's lines read the same in both languages, as the tools
      // users compare with show them.
      return dec(v) + " (" + secs + std::string(RussianText(MessageId::SecondsInTree)) + ")";
    }
    case Show::fourcc: return fourCC(static_cast<std::uint32_t>(v));
    case Show::codecTag: return HexDigits(static_cast<std::uint64_t>(v), 4) + "h " + AudioCodecName(static_cast<std::uint16_t>(v));
    case Show::codecType: return dec(v) + CodecTypeName(static_cast<std::uint16_t>(v));
    default: return dec(v);
  }
}

std::string FieldPresenter::byteText(const Bytes& x, Show show) {
  switch (show) {
    case Show::hexAll: return BytesToHex(x, 0, x.size());
    case Show::chars: return BytesToStr(x, 0, x.size());
    case Show::codecInfo: return BytesLine("", x) + (x.size() <= 24 ? " (" + BytesToStr(x, 0, 4) + ")" : "");
    default: return BytesLine("", x);
  }
}

void FieldPresenter::format(std::string_view name, const Bytes& x, const Guid& streamType) {
  if (streamType == guid::VideoMedia) {
    group(std::string(name) + " (video)", ReadFields<VideoMedia>(x));
  } else if (streamType == guid::AudioMedia) {
    group(std::string(name) + " (audio)", ReadFields<AudioMedia>(x));
  } else {
    line(name, byteText(x, Show::bytes));
  }
}

}  // namespace corvel
