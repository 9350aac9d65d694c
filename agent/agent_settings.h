// Settings of one agent run, read once at start-up, and the run's result codes.
#pragma once
#include <string>

namespace vorn {

// Start-up failure: the program could not initialise, or the script could not be read.
constexpr int RESULT_START_UP_FAILED = 1;
constexpr int RESULT_PROCESS_LOST = 1050006;
constexpr int RESULT_STEP_FAILED = 1050008;

constexpr int DEFAULT_COMMAND_INTERVAL = 500;
constexpr int DEFAULT_KEY_DELIVERY_MODE = 1;
constexpr int DEFAULT_SEARCH_TIMEOUT = 60;

struct AgentSettings {
    int commandInterval = DEFAULT_COMMAND_INTERVAL; // ms of pause after each command, never negative
    int keyDeliveryMode = DEFAULT_KEY_DELIVERY_MODE; // non-zero: send, 0: post
    int searchTimeout = DEFAULT_SEARCH_TIMEOUT;     // s before a window search asks the user
    std::string agentDirectory;                      // executable's folder, no trailing backslash
    float scaleX = 1.0f;
    float scaleY = 1.0f;

    bool sendsKeys() const { return keyDeliveryMode != 0; }
};

// Folder of the running executable without its trailing backslash; empty if unknown.
std::string executableDirectory();

// Reads section Config of "<directory>\config.ini"; missing file, section or key keeps the default.
void readConfiguration(AgentSettings& settings, const std::string& directory);

// Display scale from the screen's logical dots per inch (96 = 1.0); 1.0 when the screen
// cannot be measured.
void measureDisplayScale(AgentSettings& settings);

// The scale for one axis from its dots per inch; 1.0 for a value that is not a measurement
// (0 when the screen's device context could not be had).
float scaleFromDpi(int dpi);

} // namespace vorn
