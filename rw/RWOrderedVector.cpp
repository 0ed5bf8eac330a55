#include "rw/RWOrderedVector.h"

#include "rw/RWError.h"

void RWOrderedVectorIndexError(size_t index, size_t count) {
  RWMessageText text(RWToolsMsg_INDEXERR(), static_cast<uint32_t>(index), static_cast<uint32_t>(count));
  RWRaiseIndexError(RWIndexError(text));
}

template class RWOrderedVector<void*>;
