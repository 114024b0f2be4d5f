/*
 * Dorvik board: the device-control contract between user-mode client programs
 * and the Dorvik driver. Clients open \\.\Dorvik<n> and send these codes with
 * DeviceIoControl; every length below is exact, not a minimum.
 *
 * All values are little-endian. Every output except GetLastError's starts with
 * the result word; the NT status of a request with result 8 or 9 is still
 * success, so clients must read the result word.
 */
#ifndef DORVIK_IOCTL_H
#define DORVIK_IOCTL_H

#include <stdint.h>

#ifndef CTL_CODE
#define CTL_CODE(DeviceType, Function, Method, Access) \
  (((DeviceType) << 16) | ((Access) << 14) | ((Function) << 2) | (Method))
#endif
#ifndef METHOD_BUFFERED
#define METHOD_BUFFERED 0
#endif
#ifndef FILE_ANY_ACCESS
#define FILE_ANY_ACCESS 0
#endif

/* Device type of the board device objects. */
#define DORVIK_DEVICE_TYPE 0x8000u

#define IOCTL_DORVIK_CREATE CTL_CODE(DORVIK_DEVICE_TYPE, 0x800, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_DORVIK_CLOSE CTL_CODE(DORVIK_DEVICE_TYPE, 0x801, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_DORVIK_GET_VERSION CTL_CODE(DORVIK_DEVICE_TYPE, 0x802, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_DORVIK_GET_RESOURCE CTL_CODE(DORVIK_DEVICE_TYPE, 0x803, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_DORVIK_DATA_SET CTL_CODE(DORVIK_DEVICE_TYPE, 0x804, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_DORVIK_GET_LAST_ERROR CTL_CODE(DORVIK_DEVICE_TYPE, 0x805, METHOD_BUFFERED, FILE_ANY_ACCESS)
#define IOCTL_DORVIK_GET_CH CTL_CODE(DORVIK_DEVICE_TYPE, 0x806, METHOD_BUFFERED, FILE_ANY_ACCESS)

/* Result word, bytes 0-1 of every output. */
#define DORVIK_RESULT_DONE 0      /* the operation was carried out */
#define DORVIK_RESULT_BUSY 8      /* DataSet: status bit 0 stayed set for 5000 reads; nothing written */
#define DORVIK_RESULT_NO_BUFFER 9 /* Create: the message buffer could not be made */

/* The driver version that GetVersion reports in bytes 4-7. */
#define DORVIK_DRIVER_VERSION 0x01000000u

/* Exact buffer lengths; GetVersion's input and both GetLastError lengths are not examined. */
#define DORVIK_CREATE_INPUT_LENGTH 4
#define DORVIK_CREATE_OUTPUT_LENGTH 4
#define DORVIK_CLOSE_INPUT_LENGTH 2
#define DORVIK_CLOSE_OUTPUT_LENGTH 2
#define DORVIK_GET_VERSION_OUTPUT_LENGTH 8
#define DORVIK_GET_RESOURCE_INPUT_LENGTH 2
#define DORVIK_GET_RESOURCE_OUTPUT_LENGTH 4
#define DORVIK_DATA_SET_INPUT_LENGTH 4
#define DORVIK_DATA_SET_OUTPUT_LENGTH 2
#define DORVIK_GET_CH_INPUT_LENGTH 2
#define DORVIK_GET_CH_OUTPUT_LENGTH 4

#pragma pack(push, 1)

/* Create: input 4 bytes, output 4 bytes. */
typedef struct _DORVIK_CREATE_INPUT {
  uint16_t Value;  /* returned in the output's Value on success */
  uint16_t Unused; /* not read; comes back unchanged when Result is 9 */
} DORVIK_CREATE_INPUT;
typedef struct _DORVIK_CREATE_OUTPUT {
  uint16_t Result; /* 0 or 9 */
  uint16_t Value;  /* result 0: the input Value; result 9: not written */
} DORVIK_CREATE_OUTPUT;

/* Close: input 2 bytes (not read), output 2 bytes. */
typedef struct _DORVIK_CLOSE_OUTPUT {
  uint16_t Result; /* always 0 */
} DORVIK_CLOSE_OUTPUT;

/* GetVersion: input of any length (not read), output 8 bytes. */
typedef struct _DORVIK_GET_VERSION_OUTPUT {
  uint16_t Result;   /* always 0 */
  uint16_t Unused;   /* not written */
  uint32_t Version;  /* DORVIK_DRIVER_VERSION */
} DORVIK_GET_VERSION_OUTPUT;

/* GetResource: input 2 bytes (not read), output 4 bytes. */
typedef struct _DORVIK_GET_RESOURCE_OUTPUT {
  uint16_t Result;      /* always 0 */
  uint16_t PortAddress; /* low 16 bits of the configured base port, untranslated */
} DORVIK_GET_RESOURCE_OUTPUT;

/* DataSet: input 4 bytes, output 2 bytes. */
typedef struct _DORVIK_DATA_SET_INPUT {
  uint16_t Unused; /* not read */
  uint16_t Data;   /* the word written to the board's data port */
} DORVIK_DATA_SET_INPUT;
typedef struct _DORVIK_DATA_SET_OUTPUT {
  uint16_t Result; /* 0 written, 8 board busy */
} DORVIK_DATA_SET_OUTPUT;

/* GetCH: input 2 bytes (not read), output 4 bytes, from one status read. */
typedef struct _DORVIK_GET_CH_OUTPUT {
  uint16_t Result; /* always 0 */
  uint8_t Ch2;     /* 1 if status bit 2 (0x04) was set */
  uint8_t Ch3;     /* 1 if status bit 3 (0x08) was set */
} DORVIK_GET_CH_OUTPUT;

#pragma pack(pop)

#ifdef __cplusplus
#define DORVIK_STATIC_ASSERT(e, m) static_assert(e, m)
#else
#define DORVIK_STATIC_ASSERT(e, m) _Static_assert(e, m)
#endif
DORVIK_STATIC_ASSERT(sizeof(DORVIK_CREATE_INPUT) == DORVIK_CREATE_INPUT_LENGTH, "Create input");
DORVIK_STATIC_ASSERT(sizeof(DORVIK_CREATE_OUTPUT) == DORVIK_CREATE_OUTPUT_LENGTH, "Create output");
DORVIK_STATIC_ASSERT(sizeof(DORVIK_CLOSE_OUTPUT) == DORVIK_CLOSE_OUTPUT_LENGTH, "Close output");
DORVIK_STATIC_ASSERT(sizeof(DORVIK_GET_VERSION_OUTPUT) == DORVIK_GET_VERSION_OUTPUT_LENGTH, "GetVersion output");
DORVIK_STATIC_ASSERT(sizeof(DORVIK_GET_RESOURCE_OUTPUT) == DORVIK_GET_RESOURCE_OUTPUT_LENGTH, "GetResource output");
DORVIK_STATIC_ASSERT(sizeof(DORVIK_DATA_SET_INPUT) == DORVIK_DATA_SET_INPUT_LENGTH, "DataSet input");
DORVIK_STATIC_ASSERT(sizeof(DORVIK_DATA_SET_OUTPUT) == DORVIK_DATA_SET_OUTPUT_LENGTH, "DataSet output");
DORVIK_STATIC_ASSERT(sizeof(DORVIK_GET_CH_OUTPUT) == DORVIK_GET_CH_OUTPUT_LENGTH, "GetCH output");
#undef DORVIK_STATIC_ASSERT

#endif /* DORVIK_IOCTL_H */
