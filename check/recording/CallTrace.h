// The trace of --trace FILE: one line per call into the library, written
// when the call returns (the time it began, its thread, the call with its
// arguments, the result, how long it took), and one line per callback.
// Each line goes straight to the file, appended, so that a checking process
// that dies leaves the lines of every call that returned; the call that did
// not return is kept in the shared state, where the parent finds it.
//
//   00:12:34.567 0x1A4 Tavro_GetComponentName(0, 0x3F0FF0, 256) -> "Voltage" (0.004 ms)
//   00:12:34.612 0x1B0 callback(0x22FD40, 1)
#pragma once

#include "device/TavroDeviceLibrary.h"

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

class CCallTrace {
public:
    typedef std::chrono::steady_clock Clock;

    // Appends to the file at path; check Valid().
    explicit CCallTrace(const std::string& path);
    ~CCallTrace();
    CCallTrace(const CCallTrace&) = delete;
    CCallTrace& operator=(const CCallTrace&) = delete;

    bool Valid() const;
    // Creates the file empty, or empties it: false if it cannot be written.
    static bool Create(const std::string& path);
    // Appends one line to the file at path (the parent's note of a call
    // that did not return).
    static void Append(const std::string& path, const std::string& line);

    void Callback(void* context, int32_t state);

    // One call in progress; does nothing without a trace.
    class CCall {
    public:
        // call: the call with its arguments, "Tavro_GetDeviceName(0x3F0FF0, 256)".
        CCall(CCallTrace* trace, const std::string& call);
        // A call left by an exception is traced as such.
        ~CCall();
        CCall(const CCall&) = delete;
        CCall& operator=(const CCall&) = delete;
        // result: "" for a function without one.
        void Returned(const std::string& result);

    private:
        CCallTrace* const m_trace;
        std::string m_line;
        Clock::time_point m_start;
        bool m_returned;
    };

    // "Name(arg, arg)": integers in decimal, pointers in hex or NULL.
    template <class... Args>
    static std::string CallText(const char* name, Args... args)
    {
        std::string text;
        int unused[] = {0, (text += (text.empty() ? "" : ", ") + ArgText(args), 0)...};
        (void)unused;
        return std::string(name) + "(" + text + ")";
    }
    static std::string ArgText(int32_t value);
    static std::string ArgText(uint32_t value);
    static std::string ArgText(const void* pointer);
    static std::string ArgText(TavroStateCallback callback);
    static std::string ArgText(const TavroDataRecord* record) { return ArgText(static_cast<const void*>(record)); }
    static std::string ArgText(char* buffer) { return ArgText(static_cast<const void*>(buffer)); }

    // What a text function wrote into its buffer, read within the size.
    static std::string WrittenText(char* buffer, int32_t size);
    static std::string WrittenText(int32_t, char* buffer, int32_t size) { return WrittenText(buffer, size); }
    template <class... Args>
    static std::string WrittenText(Args...)
    {
        return std::string();
    }

private:
    // "00:12:34.567 0x1A4 ": the UTC time of day and the thread.
    static std::string Stamp();
    void Write(const std::string& line);

    void* m_file;
    std::mutex m_mutex;
};
