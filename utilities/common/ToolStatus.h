// The exit statuses of both tools: one table, so that the same situation gets the same status
// whichever tool meets it. Every status a tool returns is here.
#pragma once

inline constexpr int kCleanStatus = 0;     // no error or warning; the camera identified
inline constexpr int kWarningsStatus = 1;  // TAVIKPackageCheck: warnings only
// An error: in the package, in what the updater would do with it on the camera, or a camera the
// updater cannot identify.
inline constexpr int kErrorStatus = 2;
inline constexpr int kNoCameraStatus = 3;       // none reported within the wait
inline constexpr int kLibraryStatus = 4;        // the library (or its removal watch) did not start
inline constexpr int kUsageStatus = 64;         // a bad command line (as BSD's EX_USAGE)
inline constexpr int kRefusedStatus = 75;       // TAVIKUpdate is open: try again later
inline constexpr int kInterruptedStatus = 130;  // Ctrl+C ended a wait (128 + SIGINT, as shells say)

// The `status` of the JSON for the runs that end early, the same in both tools.
inline constexpr char kBadCommandLine[] = "bad-command-line";
inline constexpr char kUpdaterOpenName[] = "updater-open";
inline constexpr char kLibraryNotStartedName[] = "library-not-started";
inline constexpr char kInterruptedName[] = "interrupted";

// The table as --help prints it; the README and the release archive's README carry it too.
inline constexpr wchar_t kExitStatusTable[] =
    L"Exit status, the same in TAVIKPackageCheck and TAVIKInfo:\r\n"
    L"    0  no error or warning; the camera identified\r\n"
    L"    1  warnings only (TAVIKPackageCheck)\r\n"
    L"    2  an error: in the package, in what TAVIKUpdate would do with it on the\r\n"
    L"       camera, or a camera TAVIKUpdate cannot identify (a model it does not know,\r\n"
    L"       a query it needs failed, or a camera found that cannot be opened)\r\n"
    L"    3  no camera within the wait\r\n"
    L"    4  the library could not start (TAVIKInfo --watch: nor its removal watch)\r\n"
    L"   64  a bad command line\r\n"
    L"   75  TAVIKUpdate is open: the camera was left alone\r\n"
    L"  130  Ctrl+C ended the wait\r\n"
    L"Where several apply, 64, 75, 130, 4 and 3 (the camera was not reached) win over\r\n"
    L"2, 1 and 0; the package's notes are reported all the same.\r\n";
