#include "support/clips.hpp"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace corvel::test {

std::string Clip(const std::string& kind) {
  static std::map<std::string, std::string> made;
  if (auto it = made.find(kind); it != made.end()) return it->second;
  const std::string ff = std::string(CORVEL_FFMPEG) + " -hide_banner -loglevel error -y ";
  const std::string video = "-f lavfi -i testsrc=size=320x240:rate=25:duration=2 ";
  const std::string audio = "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=2 ";
  std::string path, cmd;
  if (kind == "av") {
    path = TempPath("av.wmv");
    cmd = ff + video + audio + "-c:v wmv2 -b:v 400k -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "video") {
    path = TempPath("video.wmv");
    cmd = ff + video + "-c:v wmv2 -b:v 400k " + Quote(path);
  } else if (kind == "audio") {
    path = TempPath("audio.wma");
    cmd = ff + audio + "-c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "long") {
    path = TempPath("long.wmv");
    cmd = ff + "-f lavfi -i testsrc=size=320x240:rate=25:duration=12 " +
          "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=12 " +
          "-c:v wmv2 -b:v 600k -g 25 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "part1" || kind == "part2") {
    // Two consecutive parts of one recording: the same settings, the second
    // picks up where the first ends.
    path = TempPath(kind + ".wmv");
    const std::string start = kind == "part1" ? "0" : "4";
    cmd = ff + "-f lavfi -i testsrc=size=320x240:rate=25:duration=8 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=8 " +
          "-ss " + start + " -t 4 -c:v wmv2 -b:v 500k -g 25 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "two-audio") {
    // A video and audio clip with a second audio stream added, as a user
    // makes one: the first two streams copied, the third encoded.
    path = TempPath("two-audio.wmv");
    cmd = ff + "-i " + Quote(Clip("long")) + " -f lavfi -i sine=sample_rate=22050:duration=10 -map 0:v -map 0:a -map 1:a " +
          "-c:v copy -c:a:0 copy -c:a:1 wmav2 -f asf " + Quote(path);
  } else if (kind == "two-video") {
    // The long clip with a second video stream of another codec beside its own.
    path = TempPath("two-video.wmv");
    cmd = ff + "-i " + Quote(Clip("long")) + " -f lavfi -i testsrc2=size=160x120:rate=25:duration=12 -map 0:v -map 0:a -map 1:v " +
          "-c:v:0 copy -c:a copy -c:v:1 msmpeg4 -b:v:1 300k -g 25 -f asf " + Quote(path);
  } else if (kind == "multi-audio") {
    // Three audio streams of different rates, no video (languages of one recording).
    path = TempPath("multi-audio.wma");
    cmd = ff + "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=3 -f lavfi -i sine=frequency=660:sample_rate=22050:duration=3 " +
          "-f lavfi -i sine=frequency=880:sample_rate=16000:duration=3 -map 0 -map 1 -map 2 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "multi-part1" || kind == "multi-part2") {
    // Two consecutive parts of a recording with video and two audio streams.
    path = TempPath(kind + ".wmv");
    const std::string start = kind == "multi-part1" ? "0" : "3";
    cmd = ff + "-f lavfi -i testsrc=size=320x240:rate=25:duration=6 -f lavfi -i sine=frequency=440:sample_rate=44100:duration=6 " +
          "-f lavfi -i sine=frequency=660:sample_rate=22050:duration=6 -map 0 -map 1 -map 2 -ss " + start +
          " -t 3 -c:v wmv2 -b:v 400k -g 25 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind.rfind("moving-", 0) == 0) {
    // A moving picture with sound, in the video codec the kind names
    // ("moving-wmv1", "moving-wmv2", "moving-msmpeg4"): what the repair's
    // decoding judges.
    path = TempPath(kind + ".wmv");
    cmd = ff + "-f lavfi -i testsrc2=size=320x240:rate=25:duration=4 " +
          "-f lavfi -i sine=frequency=440:sample_rate=44100:duration=4 -c:v " + kind.substr(7) +
          " -b:v 800k -g 25 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "reference-wmv2" || kind == "reference-swapped" || kind == "reference-wmv1") {
    // Another recording with the long clip's settings (other pictures and
    // sound); swapped: its audio stream first; wmv1: another video codec.
    path = TempPath(kind + ".wmv");
    cmd = ff + "-f lavfi -i smptebars=size=320x240:rate=25:duration=4 -f lavfi -i sine=frequency=880:sample_rate=44100:duration=4 " +
          (kind == "reference-swapped" ? "-map 1 -map 0 " : "") + "-c:v " + (kind == "reference-wmv1" ? "wmv1" : "wmv2") +
          " -b:v 600k -g 25 -c:a wmav2 -b:a 64k " + Quote(path);
  } else if (kind == "reference-video-only" || kind == "reference-packets-4000") {
    path = TempPath(kind + ".wmv");
    cmd = ff + "-f lavfi -i smptebars=size=320x240:rate=25:duration=4 -c:v wmv2 -b:v 600k -g 25 " +
          (kind == "reference-packets-4000" ? "-packet_size 4000 " : "") + Quote(path);
  } else if (kind == "msmpeg4-long" || kind == "reference-msmpeg4") {
    // Video only, MS-MPEG-4 v3: a recording and another of its settings.
    path = TempPath(kind + ".wmv");
    cmd = ff + (kind == "msmpeg4-long" ? "-f lavfi -i testsrc=size=320x240:rate=25:duration=12 "
                                       : "-f lavfi -i smptebars=size=320x240:rate=25:duration=4 ") +
          "-c:v msmpeg4 -b:v 600k -g 25 " + Quote(path);
  } else if (kind == "cyrillic") {
    path = TempPath("cyrillic.wmv");
    cmd = ff + video + audio +
          "-c:v wmv2 -b:v 300k -c:a wmav2 -b:a 64k -metadata title='Запись с камеры №1' "
          "-metadata artist='Иван Петров' -metadata comment='日本語のテキスト' -metadata genre='Документальный' " +
          Quote(path);
  } else {
    throw std::invalid_argument("unknown clip kind " + kind);
  }
  const CommandResult r = RunCommand(cmd);
  if (r.exitCode != 0) throw std::runtime_error("ffmpeg failed: " + r.err);
  made[kind] = path;
  return path;
}

nlohmann::json Probe(const std::string& path) {
  const CommandResult r = RunCommand(std::string(CORVEL_FFPROBE) + " -v error -show_format -show_streams -of json " + Quote(path));
  if (r.exitCode != 0) throw std::runtime_error("ffprobe failed: " + r.err);
  return nlohmann::json::parse(r.out);
}

}  // namespace corvel::test
