#pragma once
// Keeps the large picture buffers of one photo in the heap after they are
// freed, so that showing the next photo reuses memory that is already mapped
// instead of mapping (and page-faulting) tens of megabytes again.
namespace pixaldo {

void KeepLargeBuffersMapped();

}  // namespace pixaldo
