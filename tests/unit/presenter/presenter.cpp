// The settings as the window keeps them, without a window: the rules that
// tie the boxes together, the file's text both ways, where the file lives
// and the language of a first start.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "presenter/join_list.hpp"
#include "presenter/settings.hpp"
#include "support/asf_builder.hpp"
#include "support/clips.hpp"
#include "analysis/simple_index.hpp"
#include "join/join.hpp"
#include "repair/save.hpp"
#include "analysis/scan.hpp"

namespace corvel::test {
namespace {

namespace fs = std::filesystem;

struct RuleCase {
  const char* what;
  std::function<void(Settings&)> clicks;
  std::function<void(SettingsState&)> expected;  // applied to the defaults
};
void PrintTo(const RuleCase& c, std::ostream* os) { *os << c.what; }

class SettingsRules : public ::testing::TestWithParam<RuleCase> {};

TEST_P(SettingsRules, ClicksLeaveTheBoxesAsTheRulesSay) {
  Settings s;
  GetParam().clicks(s);
  SettingsState want;
  GetParam().expected(want);
  EXPECT_EQ(s.state(), want) << s.text();
}

INSTANTIATE_TEST_SUITE_P(
    Boxes, SettingsRules,
    ::testing::Values(
        RuleCase{"preroll off: value 0",
                 [](Settings& s) { s.setPrerollFixed(false); },
                 [](SettingsState& w) { w.prerollFixed = false, w.preroll = "0"; }},
        RuleCase{"preroll on again: value 5000",
                 [](Settings& s) {
                   s.setPrerollFixed(false);
                   s.setPreroll("123");
                   s.setPrerollFixed(true);
                 },
                 [](SettingsState&) {}},
        RuleCase{"from the first file: the fixed preroll off",
                 [](Settings& s) { s.setPrerollFromFirst(true); },
                 [](SettingsState& w) { w.prerollFromFirst = true, w.prerollFixed = false, w.preroll = "0"; }},
        RuleCase{"fixed again: from the first file off",
                 [](Settings& s) {
                   s.setPrerollFromFirst(true);
                   s.setPrerollFixed(true);
                 },
                 [](SettingsState&) {}},
        RuleCase{"from the first file off: nothing else moves",
                 [](Settings& s) {
                   s.setPrerollFromFirst(true);
                   s.setPrerollFromFirst(false);
                 },
                 [](SettingsState& w) { w.prerollFixed = false, w.preroll = "0"; }},
        RuleCase{"approximation and video times exclude each other",
                 [](Settings& s) {
                   s.setSendTimeFromVideo(true);
                   s.setApproximateSendTime(true);
                 },
                 [](SettingsState& w) { w.approximateSendTime = true; }},
        RuleCase{"video times after approximation",
                 [](Settings& s) {
                   s.setApproximateSendTime(true);
                   s.setSendTimeFromVideo(true);
                 },
                 [](SettingsState& w) { w.sendTimeFromVideo = true; }},
        RuleCase{"lead by the preroll: no value; by a value: 5000",
                 [](Settings& s) { s.setLeadIsPreroll(true); },
                 [](SettingsState& w) { w.leadIsPreroll = true, w.lead = ""; }},
        RuleCase{"lead by a value again", [](Settings& s) {
                   s.setLeadIsPreroll(true);
                   s.setLead("9");
                   s.setLeadIsPreroll(false);
                 },
                 [](SettingsState&) {}}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

// Files as the window has always written them read back to these states.
struct FileCase {
  const char* text;
  std::function<void(SettingsState&)> expected;
};
void PrintTo(const FileCase& c, std::ostream* os) { *os << testing::PrintToString(std::string(c.text)); }

class SettingsFile : public ::testing::TestWithParam<FileCase> {};

TEST_P(SettingsFile, ReadsAsTheClicksItRecords) {
  Settings s;
  s.apply(GetParam().text);
  SettingsState want;
  GetParam().expected(want);
  EXPECT_EQ(s.state(), want) << s.text();
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SettingsFile,
    ::testing::Values(
        // Every line as written, all boxes off but op 2 with its value.
        FileCase{"lang: eng\r\ncfg.hp: n\r\ncfg.un: y\r\ncfg.sio: y\r\ncfg.pr: n\r\ncfg.epr: 0\r\ncfg.pr1: n\r\ncfg.ptp: n\r\n"
                 "cfg.ast: y\r\ncfg.op: 2\r\ncfg.eop2: 7000\r\nwin.w: 1000\r\nwin.h: 800\r\nwin.split: 300\r\n",
                 [](SettingsState& w) {
                   w.lang = Language::eng, w.highPriority = false, w.listUnknownObjects = w.showIndexEntries = true;
                   w.prerollFixed = false, w.preroll = "0", w.approximateSendTime = true, w.lead = "7000";
                   w.width = 1000, w.height = 800, w.split = 300;
                 }},
        // Missing lines: boxes off, the values their fallbacks, Russian.
        FileCase{"", [](SettingsState& w) { w.highPriority = false, w.prerollFixed = false; }},
        // A value that is no number falls back; a minus sign is a number.
        FileCase{"cfg.pr: y\r\ncfg.epr: abc\r\ncfg.op: 2\r\ncfg.eop2: x\r\n", [](SettingsState& w) { w.highPriority = false; }},
        FileCase{"cfg.pr: y\r\ncfg.epr: -5\r\n", [](SettingsState& w) { w.highPriority = false, w.preroll = "-5"; }},
        // op 1: lead by the preroll, no value; op 3 is op 2 without reading its value.
        FileCase{"cfg.op: 1\r\ncfg.eop2: 7000\r\n",
                 [](SettingsState& w) { w.highPriority = false, w.prerollFixed = false, w.leadIsPreroll = true, w.lead = ""; }},
        FileCase{"cfg.op: 3\r\ncfg.eop2: 7000\r\n", [](SettingsState& w) { w.highPriority = false, w.prerollFixed = false; }},
        // "cfg.pr: y" then "cfg.pr1: y": the later click wins, the value 0.
        FileCase{"cfg.pr: y\r\ncfg.epr: 4000\r\ncfg.pr1: y\r\n",
                 [](SettingsState& w) { w.highPriority = false, w.prerollFixed = false, w.prerollFromFirst = true, w.preroll = "0"; }},
        // Both send time boxes: approximation is read last and wins.
        FileCase{"cfg.ptp: y\r\ncfg.ast: y\r\n", [](SettingsState& w) {
                   w.highPriority = false, w.prerollFixed = false, w.approximateSendTime = true;
                 }},
        // A window too small to be one is not taken; keys found anywhere on a line, blanks trimmed.
        FileCase{"win.w: 100\r\nwin.h: 900\r\n  cfg.hp:   y  \n", [](SettingsState& w) { w.prerollFixed = false; }},
        // The repair tab: each repair by its key; a key or number not
        // understood keeps the default.
        FileCase{"repair.mode: equal\r\nrepair.repeat: 7\r\nsave.keep: y\r\nsave.noindex: y\r\n",
                 [](SettingsState& w) {
                   w.highPriority = false, w.prerollFixed = false, w.repairTab.repairMode = RepairMode::cutEqualRepeats;
                   w.repairTab.minRepeat = "7", w.repairTab.keepIncomplete = w.repairTab.withoutIndex = true;
                 }},
        FileCase{"repair.mode: sizes\r\n", [](SettingsState& w) {
                   w.highPriority = false, w.prerollFixed = false, w.repairTab.repairMode = RepairMode::acceptSizes;
                 }},
        FileCase{"repair.mode: hammer\r\nrepair.repeat: 12345\r\nlast.file: /a/b.wmv\r\n", [](SettingsState& w) {
                   w.highPriority = false, w.prerollFixed = false, w.repairTab.lastFile = "/a/b.wmv";
                 }}),
    [](const auto& info) { return "case" + std::to_string(info.index); });

TEST(SettingsFile, WrittenTextReadsBackTheSameState) {
  Settings s;
  s.setLanguage(Language::eng);
  s.setPrerollFromFirst(true);
  s.setApproximateSendTime(true);
  s.setLead("1234");
  s.setListUnknownObjects(true);
  s.setWindow(1024, 700, 250);
  RepairTabState tab;
  tab.repairMode = RepairMode::cutAndRemeasure;
  tab.minRepeat = "250";
  tab.minimalHeader = tab.renumber = tab.dropDamaged = true;
  tab.lastFile = "/v/movie one.wmv";
  tab.lastFolder = "/v";
  s.setRepairTab(tab);
  const std::string text = s.text();
  EXPECT_NE(text.find("\r\nrepair.mode: remeasure\r\nrepair.repeat: 250\r\nsave.minimal: y\r\nsave.noindex: n\r\n"
                      "save.renumber: y\r\nsave.keep: n\r\nsave.drop: y\r\nlast.file: /v/movie one.wmv\r\nlast.folder: /v\r\n"),
            std::string::npos)
      << text;
  EXPECT_EQ(text.substr(0, text.find("win.")),
            "lang: eng\r\ncfg.hp: y\r\ncfg.un: y\r\ncfg.sio: n\r\ncfg.pr: n\r\ncfg.epr: 0\r\ncfg.pr1: y\r\ncfg.ptp: n\r\n"
            "cfg.ast: y\r\ncfg.op: 2\r\ncfg.eop2: 1234\r\n");
  Settings again;
  again.apply(text);
  EXPECT_EQ(again.state(), s.state());
}

TEST(SettingsFile, JoinOptionsFollowTheBoxes) {
  Settings s;
  JoinOptions o = s.joinOptions();
  EXPECT_EQ(o.preroll, PrerollSource::fixed);
  EXPECT_EQ(o.prerollMs, 5000u);
  EXPECT_EQ(o.sendTime, SendTimeMode::evenSpread);
  s.setPrerollFromFirst(true);
  s.setSendTimeFromVideo(true);
  EXPECT_EQ(s.joinOptions().preroll, PrerollSource::firstFile);
  EXPECT_EQ(s.joinOptions().sendTime, SendTimeMode::videoTime);
  s.setPrerollFromFirst(false);
  EXPECT_EQ(s.joinOptions().preroll, PrerollSource::none);
  s.setApproximateSendTime(true);
  s.setLead("250");
  s.setHighPriority(false);
  o = s.joinOptions();
  EXPECT_EQ(o.sendTime, SendTimeMode::approximate);
  EXPECT_EQ(o.lead, 250u);
  EXPECT_FALSE(o.leadIsPreroll);
  EXPECT_FALSE(o.highPriority);
  s.setLead("99999999999999");  // more than 32 bits: the largest
  EXPECT_EQ(s.joinOptions().lead, UINT32_MAX);
}

TEST(SettingsFile, LanguageOfAFirstStartFollowsTheLocale) {
  for (const char* ru : {"ru_RU", "ru", "ru_UA.UTF-8"}) EXPECT_EQ(LanguageOfLocale(ru), Language::rus) << ru;
  for (const char* en : {"en_US", "de_DE", "C", "", "r"}) EXPECT_EQ(LanguageOfLocale(en), Language::eng) << en;
}

TEST(SettingsFile, BesideTheProgramOnlyWhenOneIsThere) {
  const std::string program = TempPath("settings-program"), config = TempPath("settings-config");
  fs::create_directories(program);
  EXPECT_EQ(SettingsPath(program, config), config + "/corvel.cfg.ini");
  WriteFile(program + "/corvel.cfg.ini", Bytes{'x'});
  EXPECT_EQ(SettingsPath(program, config), program + "/corvel.cfg.ini");
  fs::remove(program + "/corvel.cfg.ini");
  fs::create_directories(program + "/corvel.cfg.ini");  // a folder of that name is no settings file
  EXPECT_EQ(SettingsPath(program, config), config + "/corvel.cfg.ini");
}

TEST(SettingsFile, SavedInAFolderMadeForItAndLoadedBack) {
  const std::string path = TempPath("settings-new/deeper/corvel.cfg.ini");
  Settings s;
  EXPECT_FALSE(LoadSettings(s, path));  // none yet: the defaults stay
  EXPECT_EQ(s.state(), SettingsState{});
  s.setLanguage(Language::eng);
  s.setShowIndexEntries(true);
  Message why;
  ASSERT_TRUE(SaveSettings(s, path, why)) << Render(why, Language::eng);
  Settings again;
  ASSERT_TRUE(LoadSettings(again, path));
  EXPECT_EQ(again.state(), s.state());
  // Where no file can be made the reason is given and nothing changes.
  const std::string bad = path + "/under-a-file.ini";
  EXPECT_FALSE(SaveSettings(s, bad, why));
  // The folder that could not be made is named, with the system's word.
  const std::string said = Render(why, Language::eng);
  EXPECT_EQ(said.rfind("• the folder could not be made: " + path + ": ", 0), 0u) << said;
  EXPECT_GT(said.size(), ("• the folder could not be made: " + path + ": ").size()) << said;
}

// The join list: moves as a drop does, removals of a multi-selection, the
// red lines and the refusals, and the parts' reading.
std::vector<std::string> Names(const JoinList& l) {
  std::vector<std::string> out;
  for (const std::string& p : l.paths()) out.push_back(p.substr(p.rfind('/') + 1, 1));
  return out;
}

JoinList Abcd() {
  JoinList l;
  for (const char* n : {"/v/a.wmv", "/v/b.wmv", "/v/c.wmv", "/v/d.wmv"}) l.append(n);
  return l;
}

TEST(JoinList, MovesAsADropDoes) {
  struct Case {
    std::size_t from, to;
    bool moved;
    std::vector<std::string> order;
  };
  for (const Case& c : std::vector<Case>{{0, 2, true, {"b", "c", "a", "d"}},
                                         {3, 1, true, {"a", "d", "b", "c"}},
                                         {0, 3, true, {"b", "c", "d", "a"}},
                                         {3, 0, true, {"d", "a", "b", "c"}},
                                         {1, 1, false, {"a", "b", "c", "d"}},
                                         {1, 4, false, {"a", "b", "c", "d"}},
                                         {4, 0, false, {"a", "b", "c", "d"}}}) {
    JoinList l = Abcd();
    EXPECT_EQ(l.move(c.from, c.to), c.moved) << c.from << " -> " << c.to;
    EXPECT_EQ(Names(l), c.order) << c.from << " -> " << c.to;
  }
}

TEST(JoinList, RemovesTheRowsChosen) {
  JoinList l = Abcd();
  l.remove({3, 1, 9});  // any order; a row past the end is none
  EXPECT_EQ(Names(l), (std::vector<std::string>{"a", "c"}));
  l.clear();
  EXPECT_EQ(l.size(), 0u);
  EXPECT_EQ(l.refusal(), MessageId::NothingToJoin);
}

TEST(JoinList, PartsReadLateFillTheirLinesAndMarkOtherPacketSizes) {
  JoinList l;
  const std::uint64_t a = l.append("/v/a.wmv"), b = l.append("/v/b.wmv"), c = l.append("/v/c.wmv");
  EXPECT_EQ(l.line(0), "/v/a.wmv    […]");
  EXPECT_EQ(l.refusal(), MessageId::None);  // unread parts do not stop a join: it checks them itself
  l.probed(b, {"/v/b.wmv", true, true, 3200, 4000});
  l.probed(a, {"/v/a.wmv", true, true, 3200, 12345});
  l.probed(c, {"/v/c.wmv", true, false, 0, 0});  // could not be read
  l.probed(99, {"/v/x.wmv", true, true, 1, 1});   // a part removed meanwhile: nothing
  EXPECT_EQ(l.line(0), "/v/a.wmv    [3200 B, 12.3 s]");
  EXPECT_EQ(l.line(0, Language::rus), "/v/a.wmv    [3200 байт, 12.3 с]");
  EXPECT_EQ(l.line(2), "/v/c.wmv    [?]");
  EXPECT_FALSE(l.differs(0));
  EXPECT_FALSE(l.differs(1));
  EXPECT_TRUE(l.differs(2));
  EXPECT_EQ(l.refusal(), MessageId::PacketSizesDiffer);
  // Moved to the top, the odd part makes every other line the odd one.
  l.move(2, 0);
  EXPECT_TRUE(l.differs(1) && l.differs(2));
  l.remove({0});
  EXPECT_EQ(l.refusal(), MessageId::None);
}

TEST(JoinList, ProbeReadsPacketSizeAndPlayLength) {
  const std::string path = TempPath("probe.wmv");
  FpoFields f;
  f.packets = 3;
  f.playDuration = 40'000'000;  // 4 s, of which the preroll's 500 ms are no play
  f.preroll = 500;
  f.minPacket = f.maxPacket = 512;
  WriteFile(path, AsfFile({FilePropertiesObject(f)}, {DataObject(3, 512)}));
  const JoinPart p = ProbeJoinPart(path);
  EXPECT_TRUE(p.probed && p.readable);
  EXPECT_EQ(p.packetSize, 512u);
  EXPECT_EQ(p.playMs, 3500);
  // A preroll longer than the play is no negative length.
  WriteFile(path, MinimalFile(3));
  EXPECT_EQ(ProbeJoinPart(path).playMs, 0);
  const JoinPart none = ProbeJoinPart(TempPath("no-such-part.wmv"));
  EXPECT_TRUE(none.probed);
  EXPECT_FALSE(none.readable);
}

TEST(JoinList, ProgressSaysThePartThenThePhase) {
  EXPECT_EQ(Render(JoinProgressMessage(phase::joining, {2, 3}), Language::eng), "in progress    [ 2  >>  3 ]");
  EXPECT_EQ(Render(JoinProgressMessage(phase::joining, {1, 3}), Language::rus), "идёт работа    [ 1  >>  3 ]");
  EXPECT_EQ(Render(JoinProgressMessage(phase::sendTimes, {}), Language::rus), "пересчёт SendTime");
  EXPECT_EQ(Render(JoinProgressMessage(phase::buildingIndex, {}), Language::rus), "создаю индекс");
  EXPECT_EQ(Render(JoinProgressMessage(phase::writingIndex, {}), Language::rus), "сохраняю индекс");
}

}  // namespace
}  // namespace corvel::test
