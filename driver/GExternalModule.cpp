#include "driver/GExternalModule.h"

GExternalModule::GExternalModule(const RWWString& printerName, HANDLE printer)
    : printerName_(printerName), printer_(printer), loaded_(0), module_(nullptr) {}

GExternalModule::~GExternalModule() = default;
