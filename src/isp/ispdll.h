/* ISPDLL: in-system programming of the mouse's firmware through its boot loader.
 *
 * A C interface of twelve functions. The library keeps one loaded image and one
 * connection to the boot loader (USB 04d9:8022, usage page ff00, usage 0020) for the
 * whole process; calls are serialised. The boot-loader protocol is described in README.md
 * beside this file.
 *
 * Results: the functions returning int32_t give 0 for success (LockAll: non-zero for
 * success) and one of the ISP_E_* codes below otherwise. A refusal by the boot loader is
 * ISP_E_DEVICE plus the status it answered with.
 */
#ifndef ISPDLL_H
#define ISPDLL_H

#include <stdint.h>

#if defined(_WIN32)
#define ISPDLL_CALL __stdcall
#if defined(ISPDLL_BUILD)
#define ISPDLL_API __declspec(dllexport)
#else
#define ISPDLL_API __declspec(dllimport)
#endif
#else
#define ISPDLL_CALL
#define ISPDLL_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

#define ISP_OK 0
#define ISP_E_ARGUMENT 1      /* a null pointer, a zero length, an unknown mode */
#define ISP_E_NO_IMAGE 2      /* no image loaded */
#define ISP_E_IMAGE 3         /* the image has no info block */
#define ISP_E_TOO_LARGE 4     /* the image does not fit the user area */
#define ISP_E_NO_DEVICE 5     /* no boot loader found, or it cannot be opened */
#define ISP_E_NOT_CONNECTED 6 /* ConnectToBootloader has not succeeded */
#define ISP_E_IO 7            /* a report could not be sent or no valid reply came */
#define ISP_E_MISMATCH 8      /* the boot loader's flash does not suit the image */
#define ISP_E_DEVICE 0x100    /* + the status the boot loader refused with */

/* What GetMCUInfo fills; `size` must hold sizeof(IspMcuInfo) (36) before the call. */
typedef struct IspMcuInfo {
    uint32_t size;         /* 0 */
    uint32_t chunkSize;    /* 4: bytes PartialProgram takes per page (P) */
    uint32_t pageCount;    /* 8: pages the loaded image spans (N) */
    uint32_t userStart;    /* 12: first address of the user program */
    uint32_t pageSize;     /* 16: erase page, 512 */
    uint32_t userSize;     /* 20: bytes of the user area */
    uint32_t imageLength;  /* 24: bytes of the loaded image */
    uint32_t imageVersion; /* 28: firmware version of the image, a1 << 8 | a2 */
    uint32_t protocol;     /* 32: boot-loader protocol version spoken */
} IspMcuInfo;

/* Checks and keeps a copy of `image` (`length` bytes). Outputs (each may be null): the
 * image length, the address the image was linked for (0x2000 for this mouse), the length
 * padded to whole pages, the page count, the user-area size and the image's version
 * (a1 << 8 | a2). A failed load leaves no image loaded. */
ISPDLL_API int32_t ISPDLL_CALL LoadProgdata(const uint8_t* image, uint32_t length,
                                            uint32_t* imageLength, uint16_t* linkAddress,
                                            uint32_t* paddedLength, uint16_t* pageCount,
                                            uint32_t* userSize, uint16_t* version);

/* Fills `info` for the loaded image. Non-zero on success; 0 without an image or when
 * `info->size` is too small. */
ISPDLL_API int32_t ISPDLL_CALL GetMCUInfo(IspMcuInfo* info);

/* Checksum of the loaded image: 1 = 16-bit sum of its bytes (what data.bin carries),
 * 0 = 16-bit sum of its pages padded with 0xFF, 2 = CRC-16/CCITT-FALSE of its bytes.
 * 0 without an image or for another kind. */
ISPDLL_API uint16_t ISPDLL_CALL GetChksum(int32_t kind);

/* Finds the boot loader, opens it and starts a session. */
ISPDLL_API int32_t ISPDLL_CALL ConnectToBootloader(void);

/* Erases `count` pages from `page` (page 0 is the first of the user area). Flags: bit 0
 * blank-checks them afterwards. */
ISPDLL_API int32_t ISPDLL_CALL EraseByPage(uint16_t page, uint16_t count, int32_t flags);

/* Scope 0: the pages of the loaded image are blank; 1: the whole user area is. */
ISPDLL_API int32_t ISPDLL_CALL BlankCheck(int32_t scope);

/* Programs `length` bytes of the loaded image from image offset `offset`. Bytes past the
 * image's end count as 0xFF; runs of 0xFF are not sent. */
ISPDLL_API int32_t ISPDLL_CALL PartialProgram(uint16_t offset, uint16_t length);

/* Compares `count` pages from `page` with the loaded image. Mode 0: the boot loader
 * compares a CRC per page; 1: the pages are read back and compared here. */
ISPDLL_API int32_t ISPDLL_CALL VerifyByPage(uint16_t page, uint16_t count, int32_t mode);

/* What the MCU starts after a reset: 1 the boot loader, 2 the user program (refused
 * when the flash holds no valid program). */
ISPDLL_API int32_t ISPDLL_CALL ExecuteProgramFrom(int32_t target);

/* Locks every page of the user area against programming and reading until it is erased.
 * Non-zero on success, 0 on failure. */
ISPDLL_API int32_t ISPDLL_CALL LockAll(void);

/* Restarts the MCU; the session ends and the boot loader goes away. */
ISPDLL_API int32_t ISPDLL_CALL SwitchToUserProgram(void);

/* Ends the session and closes the device. Always 0. */
ISPDLL_API int32_t ISPDLL_CALL DisConnectBootloader(void);

#ifdef __cplusplus
}
#endif

#endif /* ISPDLL_H */
