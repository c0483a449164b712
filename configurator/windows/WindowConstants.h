#pragma once

// What several windows of the configurator show or answer alike.

// The maker's web address: shown by the main window and About, opened on a click.
constexpr const char* MakerWebAddress = "https://www.velmora.example/";

// Results of the modal dialogs.
constexpr int ModalResultOk = 1;
constexpr int ModalResultCancel = 2;
