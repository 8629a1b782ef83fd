#pragma once
// Where the meeting search plugs into thread one. The main search feeds it its recorded path and
// steps it inside every loop; thread one's body runs it on after the main search. Until that search
// is built, it never sets up: feeding and stepping report "nothing happened" (1), meetState stays 0,
// and it never meets, so every caller goes on as if it were absent.
namespace cw {

class MeetingSeam {
  public:
    // 1 nothing happened or fed without meeting; 8 met (solution written, meetState 2); 0 table full.
    int meetSearchFeed() { return 1; }
    // 1 go on; 8 met (solution written, meetState 2, boxCount 0); 9 table full; 0 a side ran dry.
    int meetSearchSteps() { return 1; }
    // One expansion of a side: 1 done, 0 queue empty, 8 met, 9 table full.
    int meetExpandBackward() { return 0; }
    int meetExpandForward() { return 0; }
    void meetBuildSolution() {}

    void resetRun() { meetState = 0; }

    int meetState = 0; // 0 not set up, 1 running, 2 solved, 3 table full
};

} // namespace cw
