#include "model/GOptMediaComposite.h"

GOptMediaComposite::GOptMediaComposite() = default;
GOptMediaComposite::GOptMediaComposite(int16_t key, int16_t value) : GOptionListAttribute(key, value) {}
GOptMediaComposite::GOptMediaComposite(const GOptMediaComposite& other) = default;
GOptMediaComposite& GOptMediaComposite::operator=(const GOptMediaComposite& other) = default;
GOptMediaComposite::~GOptMediaComposite() = default;

QV_PERSISTENT_KIND_DEFINE(GOptMediaComposite, GOptionListAttribute, GOptMediaCompositeClassId)

void GOptMediaComposite::AddOption(int16_t value) { AppendOption(value); }

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GOptMediaComposite*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GOptMediaComposite*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GOptMediaCompositeCreate() { return new GOptMediaComposite; }
