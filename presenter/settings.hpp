// The options a user sets on the settings tab, the rules that tie them
// together, and the settings file that keeps them between runs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "join/join.hpp"
#include "repair/repair.hpp"
#include "l10n/messages.hpp"

namespace corvel {

// The repair tab as the user left it: the repair chosen, the least repeat
// it cuts, the save's boxes; the last file named, and the folder the file
// choosers last showed.
struct RepairTabState {
  RepairMode repairMode = RepairMode::cutByStructure;
  std::string minRepeat = "100";
  bool minimalHeader = false, withoutIndex = false, renumber = false, keepIncomplete = false, dropDamaged = false;
  std::string lastFile, lastFolder;
  bool operator==(const RepairTabState&) const = default;
};

// The options as the user sees them: boxes ticked, texts typed. Change them
// through Settings' commands, which keep the rules between them.
struct SettingsState {
  Language lang = Language::rus;
  bool highPriority = true;
  bool listUnknownObjects = false;
  bool showIndexEntries = false;
  // The join's preroll: a value typed (`preroll`), the first file's, or none.
  bool prerollFixed = true;
  std::string preroll = "5000";
  bool prerollFromFirst = false;
  // The join's send times: approximated with a lead (by the preroll or a
  // value typed), taken from the video's presentation times, or spread evenly.
  bool approximateSendTime = false;
  bool leadIsPreroll = false;
  std::string lead = "5000";
  bool sendTimeFromVideo = false;
  // The window's size and the height of the tree above the log; 0 for unset.
  int width = 0, height = 0, split = 0;
  RepairTabState repairTab;
  bool operator==(const SettingsState&) const = default;
};

class Settings {
 public:
  const SettingsState& state() const { return s_; }

  // The rules of the boxes: each acts as a click on it would.
  void setPrerollFixed(bool on);     // on: the value 5000, "from the first file" off; off: 0
  void setPrerollFromFirst(bool on); // on: the fixed preroll off, its value 0
  void setApproximateSendTime(bool on);  // on: "from the video" off
  void setSendTimeFromVideo(bool on);    // on: approximation off
  void setLeadIsPreroll(bool on);        // on: no value; off: the value 5000
  void setPreroll(std::string text) { s_.preroll = std::move(text); }
  void setLead(std::string text) { s_.lead = std::move(text); }
  void setLanguage(Language lang) { s_.lang = lang; }
  void setHighPriority(bool on) { s_.highPriority = on; }
  void setListUnknownObjects(bool on) { s_.listUnknownObjects = on; }
  void setShowIndexEntries(bool on) { s_.showIndexEntries = on; }
  void setWindow(int width, int height, int split);
  // The repair tab's choices and the last file, as the user left them.
  void setRepairTab(const RepairTabState& tab);

  // The settings file's text ("key: value" lines, CR LF), and reading one:
  // the lines act in the file's order as the clicks they record would.
  std::string text() const;
  void apply(std::string_view text);

  // The join options the boxes make.
  JoinOptions joinOptions() const;

 private:
  SettingsState s_;
};

// The value of `key` in a settings text: what follows its first occurrence
// up to the end of that line, blanks trimmed; empty when absent.
std::string SettingValue(std::string_view text, std::string_view key);

// The language of a first start: Russian for a Russian locale ("ru_RU",
// "ru"), English for any other.
Language LanguageOfLocale(std::string_view locale);

// Where the settings file is: beside the program when one is already there
// (a portable copy), else in the user's configuration folder. An installed
// program never writes beside itself.
std::string SettingsPath(const std::string& programFolder, const std::string& configFolder);
inline constexpr const char* kSettingsFileName = "corvel.cfg.ini";

// Reads the settings file into `settings`; false when there is none (or it
// cannot be read): the defaults stay, with the locale's language.
bool LoadSettings(Settings& settings, const std::string& path);
// Writes it; false with the reason (the path and the system's word) in `why`.
bool SaveSettings(const Settings& settings, const std::string& path, Message& why);

}  // namespace corvel
