// Records the engine's sink with parec while a test plays, from inside a test under Wine.
#ifndef PULSOREL_RECORDER_H
#define PULSOREL_RECORDER_H

#include <string>

#define RECORD_RATE 44100

// Starts parec on the monitor of the sink named by PULSE_SINK and returns once sound flows
// in; false (with the reason) if it does not within a few seconds.
bool startRecording(std::string *why);
// Returns once the recording holds at least this much more than it did at the call.
void recordFor(double seconds);
// Stops parec and returns the recording: interleaved signed 16-bit stereo at RECORD_RATE.
std::string stopRecording(void);

// Runs a shell command line; the test cannot wait for it (Wine gives no handle).
bool runShell(const std::string &command);
// Waits on the folder until it holds the file; false after the time limit.
bool waitForFile(const std::string &folder, const std::string &name, unsigned long limitMs);
// The whole file, or nothing when it cannot be read.
std::string readWholeFile(const std::string &path);
// A folder for the test's files, with its name under Unix.
std::string testFolder(std::string *unixPath);

#endif
