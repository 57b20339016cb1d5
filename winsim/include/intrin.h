/* The compiler intrinsics the installer uses. On winsim the processor that
 * CPUID describes is the machine's (its vendor comes from the profile). */
#ifndef WINSIM_INTRIN_H
#define WINSIM_INTRIN_H

#ifdef __cplusplus
extern "C" {
#endif

void __cpuid(int cpuInfo[4], int functionId);

#ifdef __cplusplus
}
#endif

#endif
