#ifndef KOVRA_SIM_H
#define KOVRA_SIM_H

/*
 * Control side of the simulated OX9162 driver library.
 *
 * The simulated driver, libkovra_ox9162.so, exports exactly the eleven functions of
 * the real library and is loaded by the program through its normal code path. Tests
 * and demonstrations set the simulated rack up from the other side, through this
 * interface, which lives in its own library (libkovra_sim.so) shared by the driver
 * and the test process.
 *
 * Without any call of this interface, the driver sets itself up on its first call
 * from the rack file named by $KOVRA_SIM_RACK, or else from the default rack.
 */

#include <stddef.h>
#include <stdint.h>

/* Exported from libkovra_sim.so / kovra_sim.dll, which defines KOVRA_SIM_BUILDING. */
#if defined(_WIN32)
#if defined(KOVRA_SIM_BUILDING)
#define KOVRA_SIM_API __declspec(dllexport)
#else
#define KOVRA_SIM_API __declspec(dllimport)
#endif
#else
#define KOVRA_SIM_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Status codes of the simulated library. */
enum {
    KOVRA_SIM_OK = 0,
    KOVRA_SIM_E_NO_CARD = 0x101,    /* index beyond the rack */
    KOVRA_SIM_E_NOT_OPEN = 0x102,   /* EEPROM or BAR4 call on a card that is not open */
    KOVRA_SIM_E_ADDRESS = 0x103,    /* EEPROM address outside 0 .. KOVRA_SIM_EEPROM_WORDS-1 */
    KOVRA_SIM_E_NULL = 0x104,       /* null out pointer */
    KOVRA_SIM_E_STORAGE = 0x105,    /* the card's state file could not be written */
};

#define KOVRA_SIM_EEPROM_WORDS 256
#define KOVRA_SIM_ERASED_WORD 0xFFFF

/* What an injected fault does when it fires. */
typedef enum {
    KOVRA_SIM_FAULT_NONE = 0,
    KOVRA_SIM_FAULT_STATUS,         /* return the given status instead of working */
    KOVRA_SIM_FAULT_SEGV,           /* write through a null pointer */
    KOVRA_SIM_FAULT_DIVIDE_BY_ZERO, /* integer division by zero */
    KOVRA_SIM_FAULT_EXCEPTION,      /* throw a C++ exception */
    KOVRA_SIM_FAULT_STACK_OVERFLOW, /* unbounded recursion */
} kovra_sim_fault;

/* Empty rack, no faults, every counter and the call log cleared, EEPROM kept in
 * memory only (no state files). Marks the simulator as set up by hand. */
KOVRA_SIM_API void kovra_sim_reset(void);

/* The default rack: two MXB-2816 cards (DID 0x0101) and one card of another kind. */
KOVRA_SIM_API void kovra_sim_use_default_rack(void);

/* Reads a rack description file (format in sim/README section of the project
 * README). Returns 0, or -1 when the file cannot be read or has a bad line;
 * then the rack is left empty. */
KOVRA_SIM_API int kovra_sim_load_rack(const char *path);

/* Appends a card; returns its index. Its EEPROM starts erased (all 0xFFFF) unless
 * a state file for it exists in the state directory. */
KOVRA_SIM_API uint32_t kovra_sim_add_card(uint32_t did, uint32_t bus, uint32_t slot,
                                          uint32_t bar4_base, uint32_t bar4_extra);

/* The count OX9162_CardsInSystem reports instead of the number of cards. */
KOVRA_SIM_API void kovra_sim_set_reported_count(uint32_t count);

/* Values of OX9162_InterfaceVersion and OX9162_DriverVersion. */
KOVRA_SIM_API void kovra_sim_set_versions(uint32_t interface_version, uint32_t driver_version);

/* Directory of the per-card EEPROM state files; NULL or "" keeps EEPROM in memory
 * only. Cards added afterwards load their state from it. */
KOVRA_SIM_API void kovra_sim_set_state_dir(const char *dir);

/* Drops the in-memory EEPROM of every card and loads it again from the state files,
 * as a new process would. */
KOVRA_SIM_API void kovra_sim_reload_state(void);

/* Direct access to a card's EEPROM, bypassing the driver functions (no call is
 * counted or logged). */
KOVRA_SIM_API void kovra_sim_set_word(uint32_t card, uint32_t address, uint16_t word);
KOVRA_SIM_API uint16_t kovra_sim_word(uint32_t card, uint32_t address);

/* 1 while the card is open in the simulated driver. */
KOVRA_SIM_API int kovra_sim_is_open(uint32_t card);

/* Makes driver function `function` (its export name) misbehave: on its `on_call`-th
 * call counted from now (1 = the next one), or on every call when `on_call` is 0.
 * `status` is the status of KOVRA_SIM_FAULT_STATUS. A later injection for the same
 * function replaces the earlier one; KOVRA_SIM_FAULT_NONE removes it. Returns -1 for
 * an unknown name. */
KOVRA_SIM_API int kovra_sim_inject(const char *function, kovra_sim_fault fault,
                                   uint32_t status, uint32_t on_call);

/* How often `function` was called since the last reset. */
KOVRA_SIM_API uint32_t kovra_sim_calls(const char *function);

/* The calls since the last reset, one per line, as "OX9162_EEPROM_WR(0,22,32786)":
 * export name and arguments in decimal (out pointers as "*"). Copies at most
 * size - 1 bytes and a terminating NUL; returns the full length. */
KOVRA_SIM_API size_t kovra_sim_call_log(char *buffer, size_t size);

/* Stops (0) or resumes (non-zero) the call log; counters go on regardless. For
 * benchmarks, whose millions of calls would otherwise be formatted and kept.
 * kovra_sim_reset turns the log back on. */
KOVRA_SIM_API void kovra_sim_set_call_logging(int enabled);

/* Why the last kovra_sim_load_rack failed, as "<path>:<line>: <reason>"; "" after
 * a success. Valid until the next call of this interface. */
KOVRA_SIM_API const char *kovra_sim_last_error(void);

#ifdef __cplusplus
}
#endif

#endif /* KOVRA_SIM_H */
