#pragma once
// What the main window is made of, grouped as the composition root hands it over.
#include "app/Platform.h"
#include "bridge/Browser.h"
#include "bridge/DHTMLEvent.h"
#include "bridge/ToolLauncher.h"
#include "export/SpreadsheetLink.h"
#include "shell/ConnCheck.h"
#include "shell/MiniInputOnDemand.h"
#include "shell/Ports.h"
#include "update/BrowserMenu.h"
#include "update/UpdatePorts.h"

namespace zel {

// The window itself and what it reaches of the desktop.
struct TShellPorts {
  IFormWindow& window;
  IApplicationWindow& application;
  IHotKeys& hotKeys;
  ITrayIcon& TrayIcon1;
  IMonitors& monitors;
  IResources& resources;
  IRegistry& registry;
  IClock& clock;
};

// The two browsers and what their pages use.
struct TBrowserPorts {
  IBrowser& EmbeddedWB1;
  IBrowser& EmbeddedWB2;
  // Carries a reload after a navigation error that came too soon after the last one.
  ITimer& ReloadTimer;
  ISinkFactory& sinks;
  IBrowserMenu& pmWB;
  IToolLauncher& tools;
  // Makes the mini input window on first need (owner: the page commands).
  std::function<std::unique_ptr<IMiniInputWindow>(IMiniInputOwner& owner)> createMiniInput;
};

// The spreadsheets' side of the insert.
struct TSpreadsheetPorts {
  IDdeConversation& DdeClientConv1;
  IAutomation& automation;
  IClipboard& clipboard;
};

// All references outlive the main window.
struct TfrmMainPorts {
  TShellPorts shell;
  TStartupCheckPorts check;
  TBrowserPorts browsers;
  TSpreadsheetPorts spreadsheets;
  TUpdatePorts update;
};

}  // namespace zel
