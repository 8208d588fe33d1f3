#include "presenter/settings.hpp"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "asf/bytes.hpp"
#include "io/job.hpp"
#include "io/output_file.hpp"
#include "io/platform.hpp"

namespace corvel {

void Settings::setPrerollFixed(bool on) {
  s_.prerollFixed = on;
  s_.preroll = on ? "5000" : "0";
  if (on) s_.prerollFromFirst = false;
}

void Settings::setPrerollFromFirst(bool on) {
  s_.prerollFromFirst = on;
  if (!on) return;
  s_.preroll = "0";
  s_.prerollFixed = false;
}

void Settings::setApproximateSendTime(bool on) {
  s_.approximateSendTime = on;
  if (on) s_.sendTimeFromVideo = false;
}

void Settings::setSendTimeFromVideo(bool on) {
  s_.sendTimeFromVideo = on;
  if (on) s_.approximateSendTime = false;
}

void Settings::setLeadIsPreroll(bool on) {
  s_.leadIsPreroll = on;
  s_.lead = on ? "" : "5000";
}

void Settings::setRepairTab(const RepairTabState& tab) {
  s_.repairTab = tab;
  if (!IsNumber(tab.minRepeat)) s_.repairTab.minRepeat = RepairTabState{}.minRepeat;
}

void Settings::setWindow(int width, int height, int split) {
  s_.width = width;
  s_.height = height;
  s_.split = split;
}

namespace {
const char* yn(bool on) { return on ? "y" : "n"; }
std::string numberOr5000(const std::string& v) { return IsNumber(v) ? v : "5000"; }
int toInt(const std::string& v) { return IsNumber(v) && v.size() < 9 ? std::stoi(v) : 0; }
// The repairs by their keys in the file.
constexpr std::pair<RepairMode, std::string_view> kRepairKeys[] = {
    {RepairMode::cutEqualRepeats, "equal"},
    {RepairMode::cutAndRemeasure, "remeasure"},
    {RepairMode::acceptSizes, "sizes"},
    {RepairMode::cutByStructure, "structure"},
};
std::string_view keyOf(RepairMode m) {
  for (const auto& [mode, key] : kRepairKeys)
    if (mode == m) return key;
  return "structure";
}
// A name ends at its line: a line break in it would make lines of its own.
std::string oneLine(const std::string& s) { return s.substr(0, s.find_first_of("\r\n")); }
}  // namespace

std::string Settings::text() const {
  std::ostringstream t;
  t << "lang: " << (s_.lang == Language::eng ? "eng" : "rus") << "\r\n"
    << "cfg.hp: " << yn(s_.highPriority) << "\r\n"
    << "cfg.un: " << yn(s_.listUnknownObjects) << "\r\n"
    << "cfg.sio: " << yn(s_.showIndexEntries) << "\r\n"
    << "cfg.pr: " << yn(s_.prerollFixed) << "\r\n"
    << "cfg.epr: " << s_.preroll << "\r\n"
    << "cfg.pr1: " << yn(s_.prerollFromFirst) << "\r\n"
    << "cfg.ptp: " << yn(s_.sendTimeFromVideo) << "\r\n"
    << "cfg.ast: " << yn(s_.approximateSendTime) << "\r\n"
    << "cfg.op: " << (s_.leadIsPreroll ? "1" : "2") << "\r\n"
    << "cfg.eop2: " << s_.lead << "\r\n"
    << "win.w: " << s_.width << "\r\nwin.h: " << s_.height << "\r\nwin.split: " << s_.split << "\r\n"
    << "repair.mode: " << keyOf(s_.repairTab.repairMode) << "\r\n"
    << "repair.repeat: " << s_.repairTab.minRepeat << "\r\n"
    << "save.minimal: " << yn(s_.repairTab.minimalHeader) << "\r\n"
    << "save.noindex: " << yn(s_.repairTab.withoutIndex) << "\r\n"
    << "save.renumber: " << yn(s_.repairTab.renumber) << "\r\n"
    << "save.keep: " << yn(s_.repairTab.keepIncomplete) << "\r\n"
    << "save.drop: " << yn(s_.repairTab.dropDamaged) << "\r\n"
    << "last.file: " << oneLine(s_.repairTab.lastFile) << "\r\n"
    << "last.folder: " << oneLine(s_.repairTab.lastFolder) << "\r\n";
  return t.str();
}

void Settings::apply(std::string_view text) {
  const auto on = [&](std::string_view key) { return SettingValue(text, key) == "y"; };
  // A box is clicked only where the file's state differs from the present
  // one; its rules then act as a click's would.
  const auto clickTo = [](bool now, bool want, auto set) {
    if (now != want) set(want);
  };
  s_.lang = SettingValue(text, "lang:") == "eng" ? Language::eng : Language::rus;
  s_.highPriority = on("cfg.hp:");
  s_.listUnknownObjects = on("cfg.un:");
  s_.showIndexEntries = on("cfg.sio:");
  clickTo(s_.prerollFixed, on("cfg.pr:"), [&](bool v) { setPrerollFixed(v); });
  s_.preroll = numberOr5000(SettingValue(text, "cfg.epr:"));
  clickTo(s_.prerollFromFirst, on("cfg.pr1:"), [&](bool v) { setPrerollFromFirst(v); });
  clickTo(s_.sendTimeFromVideo, on("cfg.ptp:"), [&](bool v) { setSendTimeFromVideo(v); });
  clickTo(s_.approximateSendTime, on("cfg.ast:"), [&](bool v) { setApproximateSendTime(v); });
  // A radio button clicked when already chosen acts all the same.
  const std::string op = SettingValue(text, "cfg.op:");
  setLeadIsPreroll(op == "1");
  if (op == "2") s_.lead = numberOr5000(SettingValue(text, "cfg.eop2:"));
  // Beyond the eleven lines: the window's size and the splitter.
  const int w = toInt(SettingValue(text, "win.w:")), h = toInt(SettingValue(text, "win.h:"));
  s_.width = w > 200 && h > 200 ? w : 0;
  s_.height = w > 200 && h > 200 ? h : 0;
  s_.split = std::max(0, toInt(SettingValue(text, "win.split:")));
  // The repair tab: a line missing or not understood keeps the default.
  const RepairTabState defaults;
  RepairTabState& tab = s_.repairTab;
  const std::string mode = SettingValue(text, "repair.mode:");
  tab.repairMode = defaults.repairMode;
  for (const auto& [m, key] : kRepairKeys)
    if (key == mode) tab.repairMode = m;
  const std::string repeat = SettingValue(text, "repair.repeat:");
  tab.minRepeat = IsNumber(repeat) && repeat.size() <= 4 ? repeat : defaults.minRepeat;
  tab.minimalHeader = on("save.minimal:");
  tab.withoutIndex = on("save.noindex:");
  tab.renumber = on("save.renumber:");
  tab.keepIncomplete = on("save.keep:");
  tab.dropDamaged = on("save.drop:");
  tab.lastFile = SettingValue(text, "last.file:");
  tab.lastFolder = SettingValue(text, "last.folder:");
}

JoinOptions Settings::joinOptions() const {
  const auto ms = [](const std::string& t) {
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(NumberOr(t, 5000), UINT32_MAX));
  };
  JoinOptions o;
  o.preroll = s_.prerollFromFirst ? PrerollSource::firstFile : s_.prerollFixed ? PrerollSource::fixed : PrerollSource::none;
  o.prerollMs = ms(s_.preroll);
  o.sendTime = s_.approximateSendTime ? SendTimeMode::approximate
               : s_.sendTimeFromVideo ? SendTimeMode::videoTime
                                      : SendTimeMode::evenSpread;
  o.leadIsPreroll = s_.leadIsPreroll;
  o.lead = ms(s_.lead);
  o.highPriority = s_.highPriority;
  return o;
}

std::string SettingValue(std::string_view text, std::string_view key) {
  const std::size_t at = text.find(key);
  if (at == std::string_view::npos) return {};
  std::size_t end = at + key.size();
  while (end < text.size() && text[end] != '\r' && text[end] != '\n') ++end;
  std::string_view v = text.substr(at + key.size(), end - at - key.size());
  while (!v.empty() && (v.front() == ' ' || v.front() == '\t')) v.remove_prefix(1);
  while (!v.empty() && (v.back() == ' ' || v.back() == '\t')) v.remove_suffix(1);
  return std::string(v);
}

Language LanguageOfLocale(std::string_view locale) {
  return locale.substr(0, 2) == "ru" ? Language::rus : Language::eng;
}

std::string SettingsPath(const std::string& programFolder, const std::string& configFolder) {
  std::error_code ec;
  const std::string beside = programFolder + "/" + kSettingsFileName;
  if (!programFolder.empty() && std::filesystem::is_regular_file(platform::PathOf(beside), ec)) return beside;
  return configFolder + "/" + kSettingsFileName;
}

bool LoadSettings(Settings& settings, const std::string& path) {
  std::ifstream f(platform::PathOf(path), std::ios::binary);
  if (!f) return false;
  // A settings file is a few hundred bytes: anything far larger is not one.
  std::string text(64 << 10, '\0');
  f.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<std::size_t>(f.gcount()));
  settings.apply(text);
  return true;
}

bool SaveSettings(const Settings& settings, const std::string& path, Message& why) {
  std::error_code ec;
  const std::filesystem::path folder = platform::PathOf(path).parent_path();
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    why = Message(MessageId::FolderNotMade, platform::NameOf(folder) + ": " + ec.message());
    return false;
  }
  const std::string text = settings.text();
  std::string error;
  if (WriteWholeFile(path, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()), error)) return true;
  why = Message(MessageId::FileSaveError, ": " + path + ": " + error);
  return false;
}

}  // namespace corvel
