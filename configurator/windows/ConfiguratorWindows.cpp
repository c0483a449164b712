#include "configurator/windows/ConfiguratorWindows.h"

#include "configurator/windows/UAbout.h"
#include "configurator/windows/UBootSer.h"
#include "configurator/windows/UPing.h"
#include "configurator/windows/UVelmoreFirmWare.h"
#include "configurator/windows/Unewp.h"
#include "configurator/windows/Upargen.h"

TConfiguratorWindows::TConfiguratorWindows(const std::string& programPath) {
    Main = std::make_unique<TFVelmoreFirmWare>(programPath);
    FVelmoreFirmWare = Main.get();
    SaveProj = std::make_unique<TFsaveproj>();
    Fsaveproj = SaveProj.get();
    About = std::make_unique<TFAbout>();
    FAbout = About.get();
    Pargen = std::make_unique<TFpargen>();
    Fpargen = Pargen.get();
    Main->FollowAddressOf(*Pargen);
    Ping = std::make_unique<TFPing>();
    FPing = Ping.get();
    BootSer = std::make_unique<TFBootSer>();
    FBootSer = BootSer.get();
}

TConfiguratorWindows::~TConfiguratorWindows() {
    FBootSer = nullptr;
    BootSer.reset();
    FPing = nullptr;
    Ping.reset();
    Fpargen = nullptr;
    Pargen.reset();
    FAbout = nullptr;
    About.reset();
    Fsaveproj = nullptr;
    SaveProj.reset();
    FVelmoreFirmWare = nullptr;
    Main.reset();
}
