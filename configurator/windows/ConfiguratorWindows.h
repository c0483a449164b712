#pragma once

#include <memory>
#include <string>

class TFVelmoreFirmWare;
class TFsaveproj;
class TFAbout;
class TFpargen;
class TFPing;
class TFBootSer;

// Creates every window of the configurator once, in the program's order (the main window first:
// its creation runs the start-up sequence), and sets their instance pointers; destroys them and
// clears the pointers at the end.
class TConfiguratorWindows {
public:
    explicit TConfiguratorWindows(const std::string& programPath);
    ~TConfiguratorWindows();
    TConfiguratorWindows(const TConfiguratorWindows&) = delete;
    TConfiguratorWindows& operator=(const TConfiguratorWindows&) = delete;

private:
    std::unique_ptr<TFVelmoreFirmWare> Main;
    std::unique_ptr<TFsaveproj> SaveProj;
    std::unique_ptr<TFAbout> About;
    std::unique_ptr<TFpargen> Pargen;
    std::unique_ptr<TFPing> Ping;
    std::unique_ptr<TFBootSer> BootSer;
};
