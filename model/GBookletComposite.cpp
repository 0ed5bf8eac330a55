#include "model/GBookletComposite.h"

GBookletComposite::GBookletComposite() = default;
GBookletComposite::GBookletComposite(int16_t key, int16_t value) : GOptionListAttribute(key, value) {}
GBookletComposite::GBookletComposite(const GBookletComposite& other) = default;
GBookletComposite& GBookletComposite::operator=(const GBookletComposite& other) = default;
GBookletComposite::~GBookletComposite() = default;

QV_PERSISTENT_KIND_DEFINE(GBookletComposite, GOptionListAttribute, GBookletCompositeClassId)

void GBookletComposite::AddOptionPair(int16_t first, int16_t second) {
  AppendOption(first);
  AppendOption(second);
}

RWVirtualInStream& operator>>(RWVirtualInStream& stream, GBookletComposite*& out) {
  GReadTypedObject(stream, out);
  return stream;
}

RWBinaryFile& operator>>(RWBinaryFile& file, GBookletComposite*& out) {
  GReadTypedObject(file, out);
  return file;
}

RWCollectable* GBookletCompositeCreate() { return new GBookletComposite; }
