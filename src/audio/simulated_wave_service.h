// Wave services without a sound card, for tests and headless runs. The device does nothing on
// its own: the caller makes it finish queued buffers at once (run, process) or as device time
// passes (advance), and hands the notifications to the client with deliver, never from
// inside a call the client made. Input samples come from a source function; output samples
// are collected in `played`.
#pragma once

#include "audio/wave_services.h"
#include "base/fifo.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gravon {

// The value of interleaved input sample `index`, counted from the opening of the device, in
// the range of the opened width (16 or 24 bits); larger values saturate.
using tsimulatedsource = std::function<std::int32_t(std::int64_t index)>;
// The samples of `data` in turn, then zeros.
tsimulatedsource samples_source(std::vector<std::int32_t> data);

// The calls of a service that a test can make fail. `queue` is add_buffer of an input and write
// of an output; start is an input's, pause and restart an output's.
enum class twaveop { open, prepare, unprepare, queue, start, pause, restart, reset, close };
inline constexpr std::size_t nwaveops = 9;

// What both directions share: devices, opening, buffer bookkeeping and the notifications.
template <class Service> class tsimulatedwave : public Service {
  public:
    tsimulatedwave();

    // Set-up, by the test.
    std::vector<std::string> names;      // the devices; id = index
    std::int32_t defaultdevice = 0;      // what id -1 opens
    twaveresult failopen = wave_noerror; // opens fail with this code while it is set
    // Added to every error text, as a real service adds what the user can do about it.
    std::string advice;
    // Once `after` more calls of `op` have succeeded, every further one fails with `code`
    // (and does nothing), until inject(op, wave_noerror).
    void inject(twaveop op, twaveresult code, std::int32_t after = 0);

    // What the client did.
    bool isopen() const { return fopen; }
    std::int32_t openeddevice() const { return fdevice; }
    const twaveformat& format() const { return fformat; }
    std::int32_t queued() const { return static_cast<std::int32_t>(queue.size()); }
    std::int32_t opens() const { return fopens; }
    // Frames of device time that passed with no buffer queued.
    std::int64_t starvedframes() const { return fstarved; }

    // Hands every pending notification to the client, in order, including the ones its
    // handlers cause.
    void deliver();
    // The device finishes up to `nbuffers` queued buffers now (while running); returns how
    // many. The notifications wait for deliver.
    std::int32_t process(std::int32_t nbuffers);
    // Alternates deliver and finishing one buffer until nothing is left to do or `maxbuffers`
    // buffers are finished; returns how many were.
    std::int32_t run(std::int32_t maxbuffers);
    // `frames` frames of device time pass: every buffer whose last frame falls within them is
    // finished and delivered, one at a time, so a buffer the client queues meanwhile takes
    // part.
    void advance(std::int64_t frames);
    // The device goes away: it stops and reports wave_failed(wave_error_devicelost).
    void lose_device();
    // The system's list becomes `devices`; the watcher hears of it at the next deliver.
    void change_devices(std::vector<std::string> devices);

    std::vector<std::string> device_names() override { return names; }
    twaveresult open(std::int32_t deviceid, const twaveformat& format,
                     twaveclient& client) override;
    twaveresult prepare(twaveheader& header) override;
    twaveresult unprepare(twaveheader& header) override;
    twaveresult reset() override;
    twaveresult close() override;
    void detach(twaveclient& client) override;
    void watch_devices(std::function<void()> onchanged) override { watcher = std::move(onchanged); }
    std::string error_text(twaveresult code) override;

  protected:
    virtual bool running() const = 0;
    virtual bool format_supported(const twaveformat& format) const = 0;
    // Fills (input) or plays (output) one buffer.
    virtual void finish(twaveheader& header) = 0;
    twaveresult enqueue(twaveheader& header);
    // The code an injected fault gives this call of op; wave_noerror when it is to go ahead.
    twaveresult injected(twaveop op);
    // Starts, pauses or restarts: state becomes value unless the device is closed or a fault
    // is injected for op.
    twaveresult switch_state(twaveop op, bool& state, bool value);

    bool fopen = false;
    bool flost = false;
    twaveformat fformat;

  private:
    struct tpending {
        twavemsgkind kind;
        twaveheader* header;
        twaveresult code;
    };
    void finish_front();
    struct tfault {
        twaveresult code = wave_noerror;
        std::int32_t after = 0;
    };

    std::array<tfault, nwaveops> faults{};
    twaveclient* client = nullptr;
    std::function<void()> watcher;
    bool devicesnews = false;
    std::int32_t fdevice = -1;
    std::int32_t fopens = 0;
    tfifo<twaveheader*> queue;
    tfifo<tpending> pending;
    std::int64_t fclock = 0; // device frames not yet spent on a buffer
    std::int64_t fstarved = 0;
};

class tsimulatedwavein final : public tsimulatedwave<twaveinservice> {
  public:
    tsimulatedsource source = [](std::int64_t) { return 0; };
    bool started() const { return fstarted; }

    twaveresult open(std::int32_t deviceid, const twaveformat& format,
                     twaveclient& client) override;
    twaveresult add_buffer(twaveheader& header) override { return enqueue(header); }
    twaveresult start() override;
    twaveresult reset() override;

  private:
    bool running() const override { return fopen && fstarted && !flost; }
    bool format_supported(const twaveformat& format) const override;
    void finish(twaveheader& header) override;

    bool fstarted = false;
    std::int64_t fsamples = 0;
};

class tsimulatedwaveout final : public tsimulatedwave<twaveoutservice> {
  public:
    // Every sample played since the service was made, interleaved.
    std::vector<std::int16_t> played;
    // Number of buffers played.
    std::int32_t buffersplayed = 0;
    bool paused() const { return fpaused; }
    // Per device, left in the low 16 bits; a device without an entry has none.
    std::vector<std::uint32_t> volumes;

    twaveresult open(std::int32_t deviceid, const twaveformat& format,
                     twaveclient& client) override;
    twaveresult write(twaveheader& header) override { return enqueue(header); }
    twaveresult pause() override;
    twaveresult restart() override;
    twaveresult reset() override;
    twaveresult get_volume(std::int32_t deviceid, std::uint32_t& volume) override;
    twaveresult set_volume(std::int32_t deviceid, std::uint32_t volume) override;

  private:
    bool running() const override { return fopen && !fpaused && !flost; }
    bool format_supported(const twaveformat& format) const override;
    void finish(twaveheader& header) override;

    bool fpaused = false;
};

extern template class tsimulatedwave<twaveinservice>;
extern template class tsimulatedwave<twaveoutservice>;

} // namespace gravon
