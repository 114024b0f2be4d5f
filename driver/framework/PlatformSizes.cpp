// The sizes of the platform's records that the driver's arithmetic relies on,
// checked at compile time wherever pointers are 32 bits (the target and the
// 32-bit host build), where they must hold to the byte.
#include "KernelApi.h"
#include "MappedAddress.h"

#define FW_SIZE_ON_32_BIT(expression) static_assert(sizeof(void *) != 4 || (expression), #expression)

// Zones: an 8-byte segment header in front of the blocks.
FW_SIZE_ON_32_BIT(sizeof(ZONE_SEGMENT_HEADER) == 8);
FW_SIZE_ON_32_BIT(sizeof(SINGLE_LIST_ENTRY) == 4);

// Strings and registry queries: byte counts in 16-bit fields, a 24-byte
// OBJECT_ATTRIBUTES, and a basic value record whose name starts at byte 12
// (a query for a name of n bytes needs n + 18 bytes with its terminator).
FW_SIZE_ON_32_BIT(sizeof(WCHAR) == 2);
FW_SIZE_ON_32_BIT(sizeof(UNICODE_STRING) == 8);
FW_SIZE_ON_32_BIT(sizeof(OBJECT_ATTRIBUTES) == 24);
FW_SIZE_ON_32_BIT(offsetof(KEY_VALUE_BASIC_INFORMATION, Name) == 12);
FW_SIZE_ON_32_BIT(sizeof(KEY_VALUE_BASIC_INFORMATION) == 16);
FW_SIZE_ON_32_BIT(sizeof(RTL_QUERY_REGISTRY_TABLE) == 28);

// Resource list sizes are checked beside their arithmetic, in Resource.cpp.

// Scalars the records are made of.
static_assert(sizeof(ULONG) == 4 && sizeof(LONG) == 4 && sizeof(NTSTATUS) == 4, "32-bit ULONG");
static_assert(sizeof(USHORT) == 2 && sizeof(UCHAR) == 1 && sizeof(BOOLEAN) == 1, "small scalars");
static_assert(sizeof(PHYSICAL_ADDRESS) == 8, "64-bit physical addresses");
FW_SIZE_ON_32_BIT(sizeof(KSPIN_LOCK) == 4);
FW_SIZE_ON_32_BIT(sizeof(_FW_MAPPED_ADDRESS) == 24);
