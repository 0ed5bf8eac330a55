// GOutputChannelSource: where the peripherals that start a document get the
// job's output channel when the document-start command carries none. The
// channels come from the provider registry, which belongs to a layer beside
// the print path, through the upward services' outputChannel. Without a
// source no channel is had.
#pragma once

#include <cstdint>

#include "driver/GUpwardServices.h"
#include "rw/RWWString.h"

class GDocumentStart;
class GDriverInstance;
class GOutputChannel;
class GPeripheral;

// The installed source's channel, or null (no source, or it gave none).
GOutputChannel* OpenOutputChannel(GDriverInstance* instance, const RWWString& portName, int services);

// The channel part of a document start, shared by the peripherals that
// write a job. When the command carries a channel, the peripheral uses it
// without owning it. Otherwise the peripheral opens one from the source
// (instance, the command's port name, services 0), owns it, hands it to the
// command so that the stages after it write to the same channel, and opens
// it with the command's document name. Statuses: 0 done; 601
// (GStatusNoOutputChannel) when no channel was had or it is not ready; the
// channel's own status when Open failed. On a failure the peripheral keeps
// no new channel and the command carries none of its making.
int16_t TakeOrOpenJobChannel(GPeripheral* peripheral, GDocumentStart* command, GDriverInstance* instance);
