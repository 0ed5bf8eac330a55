// The one testing interface of the stand-in: tests include this header and
// no other of the stand-in's testing root. It declares, in the namespace
// w32test, how a test pre-sets and reads the platform's state, makes a call
// fail, answers what would be shown to a user and reads what a device
// context received; with it come the host's administration calls
// ("w32host/Administration.h"), which tests use as a host would.
//
// Every part of the stand-in keeps its state in memory and registers a reset
// action, so w32test::Reset() brings the whole platform back to its defaults.
#pragma once

#include "w32host/Administration.h"
#include "w32test/CodePage.h"
#include "w32test/CompStui.h"
#include "w32test/Dialog.h"
#include "w32test/Environment.h"
#include "w32test/File.h"
#include "w32test/Gdi.h"
#include "w32test/Kernel.h"
#include "w32test/Module.h"
#include "w32test/Picture.h"
#include "w32test/Platform.h"
#include "w32test/Process.h"
#include "w32test/Registry.h"
#include "w32test/Rpc.h"
#include "w32test/Spooler.h"
#include "w32test/Time.h"
#include "w32test/User.h"
#include "w32test/Version.h"
#include "w32test/VersionInfo.h"
#include "w32test/Window.h"
