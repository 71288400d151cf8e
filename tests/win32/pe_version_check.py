#!/usr/bin/env python3
"""Holds a built .exe's PE header against the oldest Windows it claims to run on.

    pe_version_check.py EXE CLAIM [--machine i386|amd64]     (CLAIM like 6.0; exit 77: no EXE)

The operating-system and subsystem versions of the optional header must both say CLAIM, and
CLAIM must be exactly what the imports need: the newest Windows among them, or the oldest the
processor has. Every import must be in one of the tables below, so a new one is looked up once.
"""
import argparse
import pathlib
import struct
import sys

# Imports that Windows XP (and on x64, XP x64 / Server 2003) already had.
OLD_ENOUGH = {
    "comdlg32.dll": {"GetSaveFileNameW"},
    "gdi32.dll": {
        "CreateCompatibleDC", "CreateFontIndirectW", "CreateFontW", "DeleteDC", "DeleteObject", "EnumFontFamiliesExW",
        "ExcludeClipRect", "GetGlyphIndicesW", "GetTextExtentPoint32W", "RestoreDC", "SaveDC", "SelectObject",
    },
    "kernel32.dll": {
        "AddVectoredExceptionHandler", "ClearCommError", "CloseHandle", "CreateEventA", "CreateFileW",
        "CreateSemaphoreA", "DeleteCriticalSection", "DuplicateHandle", "EnterCriticalSection", "FreeLibrary",
        "GetCommState", "GetCommTimeouts", "GetCurrentProcess", "GetCurrentProcessId", "GetCurrentThread",
        "GetCurrentThreadId", "GetFileSizeEx", "GetFileType", "GetHandleInformation", "GetLastError",
        "GetLocalTime", "GetModuleHandleA", "GetModuleHandleW", "GetProcAddress", "GetProcessAffinityMask",
        "GetStartupInfoW", "GetSystemTimeAsFileTime", "GetThreadContext", "GetThreadPriority",
        "InitializeCriticalSection", "IsDBCSLeadByteEx", "IsDebuggerPresent", "LeaveCriticalSection",
        "LoadLibraryA", "LoadLibraryW", "lstrcpynW", "MultiByteToWideChar", "OpenProcess", "OutputDebugStringA",
        "PurgeComm", "RaiseException", "ReadFile", "ReleaseSemaphore", "RemoveVectoredExceptionHandler", "ResetEvent",
        "ResumeThread", "SetCommState", "SetCommTimeouts", "SetEndOfFile", "SetEvent", "SetFilePointerEx",
        "SetLastError", "SetProcessAffinityMask", "SetThreadContext", "SetThreadPriority",
        "SetUnhandledExceptionFilter", "SetupComm", "Sleep", "SuspendThread", "TlsAlloc", "TlsGetValue",
        "TlsSetValue", "TryEnterCriticalSection", "VirtualProtect", "VirtualQuery", "WaitForMultipleObjects",
        "WaitForSingleObject", "WideCharToMultiByte", "WriteFile",
        # the logger's console, clock, messages and metrics file
        "CreateEventW", "DeleteFileW", "FileTimeToSystemTime", "FormatMessageA", "GetProcessTimes", "GetStdHandle",
        "GetSystemTimeAdjustment", "GetThreadTimes", "LocalFree", "MoveFileExW", "ProcessIdToSessionId",
        "QueryPerformanceCounter", "QueryPerformanceFrequency", "SetConsoleCtrlHandler", "SetSystemTime",
        "SystemTimeToFileTime", "SystemTimeToTzSpecificLocalTime",
        # x64 unwinding, there from the first x64 Windows on
        "RtlCaptureContext", "RtlLookupFunctionEntry", "RtlUnwindEx", "RtlVirtualUnwind", "__C_specific_handler",
    },
    "msvcrt.dll": {
        "___lc_codepage_func", "___mb_cur_max_func", "__iob_func", "__mb_cur_max", "__p__commode", "__p__fmode",
        "__p__wcmdln", "__set_app_type", "__setusermatherr", "__wgetmainargs", "__winitenv", "_amsg_exit",
        "_assert", "_beginthreadex", "_cexit", "_close", "_commode", "_endthreadex", "_errno", "_fmode",
        "_initterm", "_iob", "_onexit", "_read", "_setjmp", "_setjmp3", "_strdup", "_ultoa", "_wcmdln", "abort",
        "atoi", "calloc", "exit", "fprintf", "fputc", "fputs", "free", "fwrite", "localeconv", "longjmp",
        "malloc", "memchr", "memcmp", "memcpy", "memmove", "memset", "printf", "realloc", "setlocale", "signal",
        "strchr", "strcmp", "strerror", "strlen", "strncmp", "vfprintf", "wcslen",
    },
    "user32.dll": {
        "BeginPaint", "CreateWindowExW", "DefWindowProcW", "DestroyWindow", "DialogBoxParamW", "DispatchMessageW",
        "DrawTextW", "EndDialog", "EndPaint", "GetClientRect", "GetMessageW", "InvalidateRect", "KillTimer",
        "LoadAcceleratorsW", "LoadCursorW", "LoadIconW", "LoadStringW", "PostQuitMessage", "RegisterClassExW",
        "SetTimer", "ShowWindow", "SystemParametersInfoW", "TranslateAcceleratorW", "TranslateMessage",
        "UpdateWindow",
    },
}

# Imports that came later, with the Windows version that brought them.
NEWER = {
    "kernel32.dll": {
        "GetTickCount64": (6, 0),
        "InitializeConditionVariable": (6, 0), "SleepConditionVariableCS": (6, 0),
        "SleepConditionVariableSRW": (6, 0), "WakeConditionVariable": (6, 0), "WakeAllConditionVariable": (6, 0),
        "InitializeSRWLock": (6, 0), "AcquireSRWLockExclusive": (6, 0), "ReleaseSRWLockExclusive": (6, 0),
        "AcquireSRWLockShared": (6, 0), "ReleaseSRWLockShared": (6, 0), "InitOnceExecuteOnce": (6, 0),
        "GetFinalPathNameByHandleW": (6, 0), "GetFileInformationByHandleEx": (6, 0), "CancelIoEx": (6, 0),
        "TryAcquireSRWLockExclusive": (6, 1), "TryAcquireSRWLockShared": (6, 1),
        "GetSystemTimePreciseAsFileTime": (6, 2), "CreateFile2": (6, 2), "WaitOnAddress": (6, 2),
        "WakeByAddressSingle": (6, 2), "WakeByAddressAll": (6, 2), "SetThreadDescription": (10, 0),
    },
    "user32.dll": {"SetProcessDPIAware": (6, 0), "ChangeWindowMessageFilterEx": (6, 1), "GetDpiForWindow": (10, 0)},
}

MACHINES = {0x14C: "i386", 0x8664: "amd64"}
OLDEST_FOR_MACHINE = {"i386": (5, 1), "amd64": (5, 2)}
NAMES = {(4, 0): "Windows NT 4.0", (5, 0): "Windows 2000", (5, 1): "Windows XP", (5, 2): "Windows XP x64", (6, 0): "Windows Vista", (6, 1): "Windows 7",
         (6, 2): "Windows 8", (10, 0): "Windows 10"}


class Image:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("not a PE image")
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        self.machine = MACHINES.get(machine, hex(machine))
        self.optional = pe + 24
        magic = struct.unpack_from("<H", data, self.optional)[0]
        self.wide = magic == 0x20B
        self.os_version = struct.unpack_from("<HH", data, self.optional + 40)
        self.subsystem_version = struct.unpack_from("<HH", data, self.optional + 48)
        directories = self.optional + (112 if self.wide else 96)
        self.import_rva = struct.unpack_from("<I", data, directories + 8)[0]
        table = self.optional + optional_size
        self.sections = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(self, rva):
        for virtual_size, address, raw_size, raw_offset in self.sections:
            if address <= rva < address + max(virtual_size, raw_size):
                return raw_offset + rva - address
        raise ValueError(f"address {rva:#x} is in no section")

    def text(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def imports(self):
        found = []
        descriptor = self.offset(self.import_rva)
        while True:
            names, _, _, dll, addresses = struct.unpack_from("<IIIII", self.data, descriptor)
            if dll == 0:
                return found
            thunk = self.offset(names or addresses)
            size, ordinal_bit = (8, 1 << 63) if self.wide else (4, 1 << 31)
            while True:
                entry = struct.unpack_from("<Q" if self.wide else "<I", self.data, thunk)[0]
                if entry == 0:
                    break
                name = f"#{entry & 0xFFFF}" if entry & ordinal_bit else self.text((entry & 0x7FFFFFFF) + 2)
                found.append((self.text(dll).lower(), name))
                thunk += size
            descriptor += 20


def version_text(version):
    return f"{version[0]}.{version[1]} ({NAMES.get(version, 'Windows')})"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("exe")
    parser.add_argument("claim")
    parser.add_argument("--machine", choices=sorted(OLDEST_FOR_MACHINE))
    args = parser.parse_args()
    path = pathlib.Path(args.exe)
    if not path.is_file():
        print(f"SKIPPED: no {path} (build it first)")
        return 77
    claim = tuple(int(part) for part in args.claim.split("."))
    image = Image(path.read_bytes())
    problems = []
    if args.machine and image.machine != args.machine:
        problems.append(f"built for {image.machine}, not {args.machine}")
    for field, value in (("operating-system version", image.os_version),
                         ("subsystem version", image.subsystem_version)):
        if value != claim:
            problems.append(f"header's {field} is {version_text(value)}, the claim is {version_text(claim)}")

    needed = OLDEST_FOR_MACHINE.get(image.machine, (5, 1))
    newest = "the processor"
    for dll, name in image.imports():
        if name in OLD_ENOUGH.get(dll, ()):
            continue
        since = NEWER.get(dll, {}).get(name)
        if since is None:
            problems.append(f"{dll}!{name} is in neither table: look up the Windows that brought it")
        elif since > needed:
            needed, newest = since, f"{dll}!{name}"
    if needed != claim:
        problems.append(f"the imports need {version_text(needed)} ({newest}), the claim is {version_text(claim)}")

    for problem in problems:
        print(f"{path.name}: {problem}")
    if not problems:
        print(f"{path.name}: {image.machine}, header and imports say {version_text(claim)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
