#include "printpath/GOutputChannelSource.h"

#include "model/GOutputChannel.h"
#include "model/GPeripheral.h"
#include "printpath/GDocumentCommand.h"

GOutputChannel* OpenOutputChannel(GDriverInstance* instance, const RWWString& portName, int services) {
  const GOutputChannelSource source = UpwardServices().outputChannel;
  return source != nullptr ? source(instance, portName, services) : nullptr;
}

int16_t TakeOrOpenJobChannel(GPeripheral* peripheral, GDocumentStart* command, GDriverInstance* instance) {
  if (peripheral == nullptr || command == nullptr) return GStatusNoOutputChannel;
  if (GOutputChannel* carried = command->GetOutputChannel()) {
    peripheral->SetOutputChannel(carried, 0);
    return 0;
  }
  GOutputChannel* channel = OpenOutputChannel(instance, command->GetPortName(), 0);
  // Owned from here on, so that a channel that cannot be used is deleted
  // rather than lost.
  peripheral->SetOutputChannel(channel, 1);
  if (channel == nullptr || !channel->IsReady()) {
    peripheral->DropOutputChannel();
    return GStatusNoOutputChannel;
  }
  const int16_t status = channel->Open(command->GetDocumentName());
  if (status != 0) {
    // A channel that did not open is no channel: nothing may write to it.
    peripheral->DropOutputChannel();
    return status;
  }
  command->SetOutputChannel(channel);
  return 0;
}
