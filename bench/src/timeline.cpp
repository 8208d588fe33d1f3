// Milliseconds per redraw of the timeline (layout and drawing into the
// image) for the packets of a scanned file.
#include <QGuiApplication>
#include <chrono>
#include <cstdio>

#include "session/actions.hpp"
#include "viewers/timeline_window.hpp"

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  if (argc < 2) return 2;
  corvel::Session s;
  if (!corvel::OpenFile(s, argv[1]) || !corvel::Scan(s)) return 1;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
  double best = 1e9, total = 0;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    const QImage img = corvel::viewers::RenderTimeline(s.packets, s.structure.rec, {}, 696, 480);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
    best = std::min(best, ms);
    total += ms;
    if (img.isNull()) return 1;
  }
  std::printf("packets %zu, %d redraws: best %.1f ms, mean %.1f ms\n", s.packets.size(), runs, best, total / runs);
  return 0;
}
