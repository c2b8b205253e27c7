// The libsigrok side of Instrument (built with ORVA_WITH_SIGROK).
#include "orva/sigrok/instrument.h"

#include <libsigrok/libsigrok.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

namespace orva::sigrok {
namespace {

// ---- libsigrok's log ---------------------------------------------------------
// Formatted into a fixed line; the last one is kept for fault messages.
std::mutex g_log_mutex;
char g_last_log[512] = {};
bool g_log_to_stderr = false;

int LogToOurs(void* /*data*/, int level, const char* format, va_list args) {
  char line[512];
  std::vsnprintf(line, sizeof line, format, args);
  {
    std::lock_guard<std::mutex> lock(g_log_mutex);
    std::memcpy(g_last_log, line, sizeof line);
  }
  if (g_log_to_stderr) std::fprintf(stderr, "libsigrok(%d): %s\n", level, line);
  return SR_OK;
}

// ---- The one libsigrok context of the process ------------------------------
// Created on first use; sr_exit at the end of the program.
class Context {
 public:
  static sr_context* Get(std::string* error) {
    static Context c;
    if (!c.ctx_ && error) *error = "libsigrok did not start: " + c.failure_;
    return c.ctx_;
  }
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

 private:
  Context() {
    int level = SR_LOG_WARN;
    if (const char* v = std::getenv("ORVA_SIGROK_LOG"); v != nullptr && v[0] != '\0') {
      g_log_to_stderr = true;
      level = std::clamp(std::atoi(v), static_cast<int>(SR_LOG_NONE), static_cast<int>(SR_LOG_SPEW));
    }
    sr_log_callback_set(&LogToOurs, nullptr);
    sr_log_loglevel_set(level);
    const int r = sr_init(&ctx_);
    if (r != SR_OK) {
      failure_ = sr_strerror(r);
      ctx_ = nullptr;
    }
  }
  ~Context() {
    if (ctx_) sr_exit(ctx_);
  }
  sr_context* ctx_ = nullptr;
  std::string failure_;
};

// Scans, driver set-up and opening, from whichever thread: one at a time.
std::mutex g_scan_mutex;

// sr_driver_init gives a driver a fresh context each time (the old one is
// lost): once per driver and process.
bool InitDriverOnce(sr_context* ctx, sr_dev_driver* driver) {
  static std::vector<sr_dev_driver*> done;
  if (std::find(done.begin(), done.end(), driver) != done.end()) return true;
  if (sr_driver_init(ctx, driver) != SR_OK) return false;
  done.push_back(driver);
  return true;
}

sr_dev_driver* FindDriver(sr_context* ctx, const std::string& name) {
  sr_dev_driver** drivers = sr_driver_list(ctx);
  for (int i = 0; drivers && drivers[i]; ++i)
    if (name == drivers[i]->name) return drivers[i];
  return nullptr;
}

// Scan options of a driver as their ids ("conn", "serialcomm", ...).
std::vector<std::pair<std::uint32_t, std::string>> ScanOptions(sr_dev_driver* driver) {
  std::vector<std::pair<std::uint32_t, std::string>> out;
  GArray* opts = sr_driver_scan_options_list(driver);
  if (!opts) return out;
  for (guint i = 0; i < opts->len; ++i) {
    const auto key = g_array_index(opts, std::uint32_t, i);
    if (const sr_key_info* info = sr_key_info_get(SR_KEY_CONFIG, key)) out.emplace_back(key, info->id);
  }
  g_array_free(opts, TRUE);
  return out;
}

std::vector<sr_channel*> AnalogChannels(const sr_dev_inst* sdi) {
  std::vector<sr_channel*> out;
  for (GSList* l = sr_dev_inst_channels_get(sdi); l; l = l->next) {
    auto* ch = static_cast<sr_channel*>(l->data);
    if (ch->type == SR_CHANNEL_ANALOG) out.push_back(ch);
  }
  return out;
}

std::string Describe(const sr_dev_inst* sdi) {
  std::string d;
  for (const char* part : {sr_dev_inst_vendor_get(sdi), sr_dev_inst_model_get(sdi)}) {
    if (part && part[0]) d += (d.empty() ? "" : " ") + std::string(part);
  }
  if (d.empty()) d = "device";
  return d;
}

void FreeScanOptions(GSList* options) {
  for (GSList* l = options; l; l = l->next) {
    auto* src = static_cast<sr_config*>(l->data);
    g_variant_unref(src->data);
    g_free(src);
  }
  g_slist_free(options);
}

// The channel group that holds exactly this channel (where per-channel
// settings such as volts per division live), or null.
const sr_channel_group* GroupOf(const sr_dev_inst* sdi, const sr_channel* ch) {
  for (GSList* l = sr_dev_inst_channel_groups_get(sdi); l; l = l->next) {
    auto* cg = static_cast<sr_channel_group*>(l->data);
    if (g_slist_length(cg->channels) == 1 && cg->channels->data == ch) return cg;
  }
  return nullptr;
}

// The entry of a string list (sr_config_list) that `pick` accepts, or "".
template <typename Pick>
std::string PickFromList(const sr_dev_inst* sdi, const sr_channel_group* cg, std::uint32_t key, Pick pick) {
  std::string out;
  GVariant* list = nullptr;
  if (sr_config_list(sr_dev_inst_driver_get(sdi), sdi, cg, key, &list) != SR_OK || !list) return out;
  if (g_variant_is_of_type(list, G_VARIANT_TYPE("as"))) {
    GVariantIter iter;
    g_variant_iter_init(&iter, list);
    const gchar* name = nullptr;
    while (out.empty() && g_variant_iter_next(&iter, "&s", &name))
      if (pick(name)) out = name;
  }
  g_variant_unref(list);
  return out;
}

bool Listed(const sr_dev_inst* sdi, const sr_channel_group* cg, std::uint32_t key) {
  GVariant* list = nullptr;
  if (sr_config_list(sr_dev_inst_driver_get(sdi), sdi, cg, key, &list) != SR_OK || !list) return false;
  g_variant_unref(list);
  return true;
}

bool OneOf(const char* name, std::initializer_list<const char*> words) {
  for (const char* w : words)
    if (g_ascii_strcasecmp(name, w) == 0) return true;
  return false;
}

}  // namespace

bool Available() { return true; }

double SteadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

std::string LastLogLine() {
  std::lock_guard<std::mutex> lock(g_log_mutex);
  return g_last_log;
}

std::vector<DeviceEntry> ListDevices(std::chrono::milliseconds budget, bool* cut_short) {
  std::vector<DeviceEntry> found;
  if (cut_short) *cut_short = false;
  sr_context* ctx = Context::Get(nullptr);
  if (!ctx) return found;
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  std::atomic<bool> stop{false};
  std::thread scanner([&] {
    sr_dev_driver** drivers = sr_driver_list(ctx);
    for (int i = 0; drivers && drivers[i] && !stop.load(); ++i) {
      sr_dev_driver* drv = drivers[i];
      std::lock_guard<std::mutex> scan_lock(g_scan_mutex);
      if (!InitDriverOnce(ctx, drv)) continue;
      GSList* devices = sr_driver_scan(drv, nullptr);
      for (GSList* l = devices; l; l = l->next) {
        auto* sdi = static_cast<sr_dev_inst*>(l->data);
        const std::size_t analog = AnalogChannels(sdi).size();
        if (analog == 0) continue;
        DeviceEntry e;
        e.spec = std::string(kPrefix) + ":" + drv->name;
        const char* conn = sr_dev_inst_connid_get(sdi);
        if (conn && conn[0] && std::strchr(conn, ':') == nullptr) e.spec += std::string(":conn=") + conn;
        e.description = Describe(sdi) + " (libsigrok " + drv->name + ", " + std::to_string(analog) +
                        " analog channel" + (analog == 1 ? "" : "s") + ")";
        std::lock_guard<std::mutex> lock(m);
        found.push_back(std::move(e));
      }
      g_slist_free(devices);
    }
    std::lock_guard<std::mutex> lock(m);
    done = true;
    cv.notify_all();
  });
  {
    std::unique_lock<std::mutex> lock(m);
    if (!cv.wait_for(lock, budget, [&] { return done; })) {
      stop = true;
      if (cut_short) *cut_short = true;
    }
  }
  scanner.join();
  return found;
}

// ---- Instrument ---------------------------------------------------------------

struct Instrument::Impl {
  static constexpr int kFresh = 4;  // flag beside a slot index in `middle`

  struct Slot {
    std::vector<float> ch[2];
    std::size_t count[2] = {0, 0};
    std::uint64_t sequence = 0;
    double first_packet = 0;
    double completed = 0;
  };

  sr_dev_driver* driver = nullptr;
  sr_dev_inst* sdi = nullptr;
  bool open = false;
  std::string description;
  sr_channel* channel[2] = {nullptr, nullptr};
  int channels = 0;
  sr_session* session = nullptr;

  std::uint64_t samples = 0;  // per channel per capture
  bool configured = false;

  // Triple buffer: the thread fills slots[back], publishes by swapping it
  // with `middle` (marked fresh); TakeCapture swaps `front` with a fresh
  // middle.
  Slot slots[3];
  int back = 0;
  int front = 2;
  std::atomic<int> middle{1};
  FrameSink* sink = nullptr;
  bool continuous = false;
  std::vector<float> interleaved;  // frames handed to the sink
  std::vector<float> packet;  // sr_analog_to_float's output
  bool ending = false;        // this capture's end was asked (session thread only)

  std::thread thread;
  std::atomic<bool> stop{false};
  std::atomic<bool> running{false};
  std::atomic<std::uint64_t> captures{0};
  mutable std::mutex fault_mutex;
  Fault fault = Fault::kNone;
  std::string fault_text;

  void SetFault(Fault f, std::string text) {
    std::lock_guard<std::mutex> lock(fault_mutex);
    fault = f;
    fault_text = std::move(text);
  }

  bool Fail(std::string* error, Fault f, std::string text) {
    SetFault(f, text);
    if (error) *error = std::move(text);
    return false;
  }

  static void OnPacket(const sr_dev_inst* /*sdi*/, const sr_datafeed_packet* p, void* data) {
    static_cast<Impl*>(data)->Packet(p);
  }

  // Asks the session to end its acquisition, once per capture: within the
  // session's own thread sr_session_stop runs at once and the driver's last
  // packets come back into Packet before it returns.
  void EndAcquisition() {
    if (ending) return;
    ending = true;
    sr_session_stop(session);
  }

  void Packet(const sr_datafeed_packet* p) {
    if (ending) return;
    if (stop.load(std::memory_order_relaxed)) {
      EndAcquisition();
      return;
    }
    if (p->type != SR_DF_ANALOG) return;
    const auto* analog = static_cast<const sr_datafeed_analog*>(p->payload);
    if (!analog->meaning || analog->num_samples == 0) return;
    const std::size_t nch = g_slist_length(analog->meaning->channels);
    if (nch == 0) return;
    const std::size_t total = static_cast<std::size_t>(analog->num_samples) * nch;
    if (packet.size() < total) packet.resize(total);  // only for a bigger packet than any before
    if (sr_analog_to_float(analog, packet.data()) != SR_OK) return;
    Slot& s = slots[back];
    if (s.count[0] == 0 && s.count[1] == 0) s.first_packet = SteadySeconds();
    std::size_t k = 0;
    for (GSList* l = analog->meaning->channels; l; l = l->next, ++k) {
      for (int c = 0; c < channels; ++c) {
        if (l->data != channel[c]) continue;
        const std::size_t room = samples - s.count[c];
        const std::size_t n = std::min<std::size_t>(room, analog->num_samples);
        float* out = s.ch[c].data() + s.count[c];
        for (std::size_t i = 0; i < n; ++i) out[i] = packet[i * nch + k];
        s.count[c] += n;
      }
    }
    if (continuous) {
      HandOver(s);
      return;
    }
    bool full = true;
    for (int c = 0; c < channels; ++c) full = full && s.count[c] >= samples;
    // A device without a sample limit (or one that sends more) stops here.
    if (full) EndAcquisition();
  }

  // Continuous: the frames every channel has so far go to the sink; what one
  // channel has beyond the other waits at the front of its buffer. (Drivers
  // send one packet per channel, in turn.)
  void HandOver(Slot& s) {
    std::size_t n = s.count[0];
    for (int c = 1; c < channels; ++c) n = std::min(n, s.count[c]);
    if (n == 0) return;
    if (sink) {
      for (std::size_t i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c) interleaved[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = s.ch[c][i];
      sink->OnFrames(interleaved.data(), n, channels);
    }
    for (int c = 0; c < channels; ++c) {
      std::copy(s.ch[c].begin() + static_cast<std::ptrdiff_t>(n),
                s.ch[c].begin() + static_cast<std::ptrdiff_t>(s.count[c]), s.ch[c].begin());
      s.count[c] -= n;
    }
  }

  void Failure(Fault f, const std::string& text) {
    SetFault(f, text);
    if (sink) sink->OnFault(text);
  }

  void Run() {
    while (!stop.load()) {
      Slot& s = slots[back];
      s.count[0] = s.count[1] = 0;
      ending = false;
      int r = sr_session_start(session);
      if (r == SR_OK) r = sr_session_run(session);
      if (stop.load()) break;
      if (r != SR_OK) {
        const std::string why = LastLogLine();
        Failure(Fault::kAcquisition, "the acquisition on " + description + " failed (" + sr_strerror(r) + ")" +
                                         (why.empty() ? "" : ": " + why));
        break;
      }
      if (continuous) {
        // An endless acquisition that ended by itself: the device is gone.
        Failure(Fault::kAcquisition, description + " stopped delivering samples: disconnected?");
        break;
      }
      std::size_t got = samples;
      for (int c = 0; c < channels; ++c) got = std::min(got, s.count[c]);
      if (got < samples) {
        Failure(Fault::kAcquisition, description + " stopped delivering samples (" + std::to_string(got) + " of " +
                                         std::to_string(samples) + " in the last capture): disconnected?");
        break;
      }
      s.completed = SteadySeconds();
      s.sequence = captures.load() + 1;
      if (sink) {
        for (std::size_t i = 0; i < samples; ++i)
          for (int c = 0; c < channels; ++c)
            interleaved[i * static_cast<std::size_t>(channels) + static_cast<std::size_t>(c)] = s.ch[c][i];
        sink->OnFrames(interleaved.data(), samples, channels);
      }
      captures.store(s.sequence);
      back = middle.exchange(back | kFresh) & 3;
    }
    running.store(false);
  }
};

Instrument::Instrument() : impl_(std::make_unique<Impl>()) {}
Instrument::~Instrument() { Close(); }

bool Instrument::IsOpen() const { return impl_->open; }
std::string Instrument::Description() const { return impl_->description; }
int Instrument::Channels() const { return impl_->channels; }
bool Instrument::Running() const { return impl_->running.load(); }
std::uint64_t Instrument::CapturesDone() const { return impl_->captures.load(); }

Fault Instrument::LastFault(std::string* text) const {
  std::lock_guard<std::mutex> lock(impl_->fault_mutex);
  if (text) *text = impl_->fault_text;
  return impl_->fault;
}

bool Instrument::Open(const SigrokSpec& spec, std::string* error) {
  Close();
  Impl& d = *impl_;
  d.SetFault(Fault::kNone, {});
  sr_context* ctx = Context::Get(error);
  if (!ctx) return d.Fail(nullptr, Fault::kOpenFailed, error ? *error : "libsigrok did not start");
  d.driver = FindDriver(ctx, spec.driver);
  if (!d.driver) return d.Fail(error, Fault::kNoDriver, "libsigrok has no driver '" + spec.driver + "'");

  // Every option must be one the driver scans with; its value is parsed
  // as that option's type wants.
  const auto known = ScanOptions(d.driver);
  GSList* options = nullptr;
  for (const auto& [key, value] : spec.options) {
    // A structured binding cannot be captured by every compiler we build with.
    const std::string& name = key;
    const auto it = std::find_if(known.begin(), known.end(), [&](const auto& k) { return k.second == name; });
    if (it == known.end()) {
      std::string list;
      for (const auto& k : known) list += (list.empty() ? "" : ", ") + k.second;
      FreeScanOptions(options);
      return d.Fail(error, Fault::kOptionRefused,
                    "the libsigrok driver '" + spec.driver + "' does not take the option '" + key + "' (it takes: " +
                        (list.empty() ? "none" : list) + ")");
    }
    const sr_key_info* info = sr_key_info_get(SR_KEY_CONFIG, it->first);
    GVariant* v = nullptr;
    switch (info->datatype) {
      case SR_T_UINT64: {
        uint64_t n = 0;
        if (sr_parse_sizestring(value.c_str(), &n) == SR_OK) v = g_variant_new_uint64(n);
        break;
      }
      case SR_T_INT32: {
        char* end = nullptr;
        const long n = std::strtol(value.c_str(), &end, 10);
        if (end && *end == '\0' && n >= INT32_MIN && n <= INT32_MAX) v = g_variant_new_int32(static_cast<int32_t>(n));
        break;
      }
      case SR_T_BOOL: v = g_variant_new_boolean(sr_parse_boolstring(value.c_str())); break;
      case SR_T_STRING: v = g_variant_new_string(value.c_str()); break;
      default: break;
    }
    if (!v) {
      FreeScanOptions(options);
      return d.Fail(error, Fault::kOptionRefused,
                    "the libsigrok driver '" + spec.driver + "' refuses " + key + "=" + value);
    }
    auto* src = static_cast<sr_config*>(g_malloc(sizeof(sr_config)));
    src->key = it->first;
    src->data = g_variant_ref_sink(v);
    options = g_slist_append(options, src);
  }

  std::lock_guard<std::mutex> scan_lock(g_scan_mutex);
  if (!InitDriverOnce(ctx, d.driver)) {
    FreeScanOptions(options);
    return d.Fail(error, Fault::kOpenFailed, "the libsigrok driver '" + spec.driver + "' did not start");
  }
  GSList* devices = sr_driver_scan(d.driver, options);
  FreeScanOptions(options);
  for (GSList* l = devices; l && !d.sdi; l = l->next) {
    auto* sdi = static_cast<sr_dev_inst*>(l->data);
    if (!AnalogChannels(sdi).empty()) d.sdi = sdi;
  }
  g_slist_free(devices);
  if (!d.sdi) {
    const std::string why = LastLogLine();
    return d.Fail(error, Fault::kNoDevice, "no instrument with analog channels found by the libsigrok driver '" +
                                               spec.driver + "'" + (why.empty() ? "" : " (" + why + ")"));
  }

  // Channels 1 and 2: those named, or the first two analog channels.
  const std::vector<sr_channel*> analog = AnalogChannels(d.sdi);
  d.channels = 0;
  if (spec.channels.empty()) {
    for (std::size_t i = 0; i < analog.size() && i < 2; ++i) d.channel[d.channels++] = analog[i];
  } else {
    for (const std::string& name : spec.channels) {
      const auto it = std::find_if(analog.begin(), analog.end(), [&](sr_channel* c) { return name == c->name; });
      if (it == analog.end()) {
        std::string list;
        for (sr_channel* c : analog) list += (list.empty() ? "" : ", ") + std::string(c->name);
        const std::string device = Describe(d.sdi);
        d.sdi = nullptr;
        return d.Fail(error, Fault::kNoChannel, device + " (libsigrok " + spec.driver + ") has no analog channel '" +
                                                    name + "' (it has: " + list + ")");
      }
      d.channel[d.channels++] = *it;
    }
  }
  // Only the channels in use are acquired.
  for (GSList* l = sr_dev_inst_channels_get(d.sdi); l; l = l->next) {
    auto* ch = static_cast<sr_channel*>(l->data);
    sr_dev_channel_enable(ch, ch == d.channel[0] || ch == d.channel[1]);
  }
  if (sr_dev_open(d.sdi) != SR_OK) {
    const std::string why = LastLogLine();
    d.sdi = nullptr;
    return d.Fail(error, Fault::kOpenFailed, "the instrument of the libsigrok driver '" + spec.driver +
                                                 "' would not open" + (why.empty() ? "" : " (" + why + ")"));
  }
  d.open = true;
  d.description = Describe(d.sdi) + " (libsigrok " + spec.driver + "): " + d.channel[0]->name +
                  (d.channels > 1 ? std::string(", ") + d.channel[1]->name : std::string());
  if (sr_session_new(ctx, &d.session) != SR_OK || sr_session_dev_add(d.session, d.sdi) != SR_OK ||
      sr_session_datafeed_callback_add(d.session, &Impl::OnPacket, &d) != SR_OK) {
    Close();
    return d.Fail(error, Fault::kOpenFailed, "no libsigrok session for " + spec.driver);
  }
  return true;
}

SampleRates Instrument::Rates() const {
  const Impl& d = *impl_;
  SampleRates rates;
  if (!d.open) return rates;
  GVariant* list = nullptr;
  if (sr_config_list(d.driver, d.sdi, nullptr, SR_CONF_SAMPLERATE, &list) == SR_OK && list) {
    gsize n = 0;
    if (GVariant* v = g_variant_lookup_value(list, "samplerates", G_VARIANT_TYPE("at"))) {
      const auto* r = static_cast<const guint64*>(g_variant_get_fixed_array(v, &n, sizeof(guint64)));
      rates.list.assign(r, r + n);
      g_variant_unref(v);
    } else if (GVariant* s = g_variant_lookup_value(list, "samplerate-steps", G_VARIANT_TYPE("at"))) {
      const auto* r = static_cast<const guint64*>(g_variant_get_fixed_array(s, &n, sizeof(guint64)));
      if (n >= 3) {
        rates.low = r[0];
        rates.high = r[1];
        rates.step = r[2];
      }
      g_variant_unref(s);
    }
    g_variant_unref(list);
  }
  if (rates.Empty()) {
    // A device that lists no rates runs at the rate it has.
    GVariant* cur = nullptr;
    if (sr_config_get(d.driver, d.sdi, nullptr, SR_CONF_SAMPLERATE, &cur) == SR_OK && cur) {
      rates.list.push_back(g_variant_get_uint64(cur));
      g_variant_unref(cur);
    }
  }
  return rates;
}

Abilities Instrument::Can() const {
  const Impl& d = *impl_;
  Abilities a;
  if (!d.open) return a;
  for (int c = 0; c < d.channels; ++c) {
    const sr_channel_group* cg = GroupOf(d.sdi, d.channel[c]);
    a.vdiv[c] = cg && Listed(d.sdi, cg, SR_CONF_VDIV);
    a.coupling[c] = cg && Listed(d.sdi, cg, SR_CONF_COUPLING);
  }
  a.trigger = Listed(d.sdi, nullptr, SR_CONF_TRIGGER_SOURCE) && Listed(d.sdi, nullptr, SR_CONF_TRIGGER_SLOPE) &&
              sr_dev_has_option(d.sdi, SR_CONF_TRIGGER_LEVEL);
  return a;
}

bool Instrument::Configure(const CaptureSettings& settings, Applied* applied, std::string* error) {
  Impl& d = *impl_;
  if (!d.open) return d.Fail(error, Fault::kOpenFailed, "no instrument is open");
  if (d.running.load()) return d.Fail(error, Fault::kSettingRefused, "the instrument is acquiring; stop it first");
  Applied a;

  // Sample rate: the lowest supported rate that reaches the display rate.
  const SampleRates rates = Rates();
  if (rates.Empty()) return d.Fail(error, Fault::kSettingRefused, d.description + " tells no sample rate");
  const RateChoice choice = ChooseSampleRate(rates, settings.display_rate_hz);
  a.sample_rate = choice.rate;
  a.rate_reached = choice.reached;
  if (sr_dev_has_option(d.sdi, SR_CONF_SAMPLERATE) &&
      sr_config_set(d.sdi, nullptr, SR_CONF_SAMPLERATE, g_variant_new_uint64(choice.rate)) != SR_OK)
    return d.Fail(error, Fault::kSettingRefused,
                  d.description + " refuses the sample rate of " + std::to_string(choice.rate) + " Hz");

  a.samples = SamplesForSpan(choice.rate, settings.span_seconds);
  a.continuous = settings.continuous;
  // Continuous: no sample limit (0 is none); the device's own continuous
  // mode where it has one.
  // Some drivers refuse 0: their limit is then set beyond any run's length.
  auto set_limit = [&d](std::uint64_t n) {
    return sr_config_set(d.sdi, nullptr, SR_CONF_LIMIT_SAMPLES, g_variant_new_uint64(n)) == SR_OK;
  };
  if (sr_dev_has_option(d.sdi, SR_CONF_LIMIT_SAMPLES)) {
    const bool set = a.continuous ? set_limit(0) || set_limit(std::uint64_t{1} << 62) : set_limit(a.samples);
    if (!set)
      return d.Fail(error, Fault::kSettingRefused,
                    a.continuous ? d.description + " refuses to acquire without a sample limit"
                                 : d.description + " refuses a capture of " + std::to_string(a.samples) + " samples");
  }
  if (sr_dev_has_option(d.sdi, SR_CONF_CONTINUOUS))
    sr_config_set(d.sdi, nullptr, SR_CONF_CONTINUOUS, g_variant_new_boolean(a.continuous));

  // Volts per division and coupling where the channel's group has them.
  for (int c = 0; c < d.channels; ++c) {
    const sr_channel_group* cg = GroupOf(d.sdi, d.channel[c]);
    if (!cg) continue;
    // The device's range: the smallest volts per division it has that holds
    // the panel's (its largest when none does); the volts it delivers are
    // then drawn at the panel's own gain.
    GVariant* vdivs = nullptr;
    if (sr_config_list(d.driver, d.sdi, cg, SR_CONF_VDIV, &vdivs) == SR_OK && vdivs) {
      GVariantIter iter;
      g_variant_iter_init(&iter, vdivs);
      guint64 p = 0, q = 0;
      guint64 best_p = 0, best_q = 0, top_p = 0, top_q = 0;
      double best = 0, top = 0;
      const double want = settings.volts_per_div[c] * (1.0 - 1e-6);
      while (g_variant_iter_next(&iter, "(tt)", &p, &q)) {
        if (q == 0) continue;
        const double v = static_cast<double>(p) / static_cast<double>(q);
        if (v >= want && (best_q == 0 || v < best)) best = v, best_p = p, best_q = q;
        if (v > top) top = v, top_p = p, top_q = q;
      }
      g_variant_unref(vdivs);
      if (best_q == 0) best = top, best_p = top_p, best_q = top_q;
      if (best_q != 0 && sr_config_set(d.sdi, cg, SR_CONF_VDIV, g_variant_new("(tt)", best_p, best_q)) == SR_OK) {
        a.vdiv_in_device[c] = true;
        a.device_vdiv[c] = best;
      }
    }
    const char* want = settings.coupling[c] == 2 ? "AC" : settings.coupling[c] == 0 ? "GND" : "DC";
    const std::string name =
        PickFromList(d.sdi, cg, SR_CONF_COUPLING, [want](const char* n) { return g_ascii_strcasecmp(n, want) == 0; });
    if (!name.empty())
      a.coupling_in_device[c] = sr_config_set(d.sdi, cg, SR_CONF_COUPLING, g_variant_new_string(name.c_str())) == SR_OK;
    a.coupling_ac_in_device[c] = a.coupling_in_device[c] && settings.coupling[c] == 2;
  }

  // The trigger, where the device has a source, a slope and a level; only
  // for captures (an endless acquisition is never held back by a trigger).
  const int tc = settings.trigger_channel;
  if (!a.continuous && tc >= 0 && tc < d.channels && Can().trigger) {
    const char* channel_name = d.channel[tc]->name;
    const std::string source = PickFromList(d.sdi, nullptr, SR_CONF_TRIGGER_SOURCE,
                                            [channel_name](const char* n) { return g_ascii_strcasecmp(n, channel_name) == 0; });
    const bool rising = settings.trigger_rising;
    const std::string slope = PickFromList(d.sdi, nullptr, SR_CONF_TRIGGER_SLOPE, [rising](const char* n) {
      return rising ? OneOf(n, {"r", "rising", "pos", "positive", "+"}) : OneOf(n, {"f", "falling", "neg", "negative", "-"});
    });
    a.trigger_in_device =
        !source.empty() && !slope.empty() &&
        sr_config_set(d.sdi, nullptr, SR_CONF_TRIGGER_SOURCE, g_variant_new_string(source.c_str())) == SR_OK &&
        sr_config_set(d.sdi, nullptr, SR_CONF_TRIGGER_SLOPE, g_variant_new_string(slope.c_str())) == SR_OK &&
        sr_config_set(d.sdi, nullptr, SR_CONF_TRIGGER_LEVEL, g_variant_new_double(settings.trigger_volts)) == SR_OK;
  }

  // The capture buffers: allocated here, never while acquiring.
  // Continuous: the first slot stages packets that wait for the other
  // channel's, at least a few packets' worth.
  d.samples = a.continuous ? std::max<std::uint64_t>(a.samples, 65536) : a.samples;
  d.continuous = a.continuous;
  for (Impl::Slot& s : d.slots) {
    for (auto& ch : s.ch) ch.assign(static_cast<std::size_t>(d.samples), 0.0f);
    s.count[0] = s.count[1] = 0;
  }
  d.interleaved.assign(static_cast<std::size_t>(d.samples) * 2, 0.0f);
  if (d.packet.size() < 65536) d.packet.resize(65536);
  d.back = 0;
  d.front = 2;
  d.middle.store(1);
  d.configured = true;
  if (applied) *applied = a;
  return true;
}

void Instrument::SetSink(FrameSink* sink) {
  if (!impl_->running.load()) impl_->sink = sink;
}

bool Instrument::Start(std::string* error) {
  Impl& d = *impl_;
  if (!d.configured) return d.Fail(error, Fault::kSettingRefused, "the instrument is not configured");
  if (d.running.load()) return true;
  d.SetFault(Fault::kNone, {});
  d.stop = false;
  d.running = true;
  d.thread = std::thread([&d] { d.Run(); });
  return true;
}

void Instrument::Stop() {
  Impl& d = *impl_;
  if (!d.thread.joinable()) return;
  d.stop = true;
  // A device that sends nothing (waiting for its own trigger) is asked
  // again until its loop has ended.
  while (d.running.load()) {
    sr_session_stop(d.session);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  d.thread.join();
}

void Instrument::Close() {
  Impl& d = *impl_;
  Stop();
  if (d.session) {
    sr_session_destroy(d.session);
    d.session = nullptr;
  }
  if (d.sdi && d.open) sr_dev_close(d.sdi);
  d.sdi = nullptr;
  d.open = false;
  d.configured = false;
  d.channels = 0;
  d.channel[0] = d.channel[1] = nullptr;
}

bool Instrument::TakeCapture(float* ch1, float* ch2, std::size_t capacity, CaptureInfo* info) {
  Impl& d = *impl_;
  if (!d.configured || !(d.middle.load() & Impl::kFresh)) return false;
  d.front = d.middle.exchange(d.front) & 3;
  const Impl::Slot& s = d.slots[d.front];
  const std::size_t n = std::min<std::size_t>(capacity, d.samples);
  if (ch1) std::copy_n(s.ch[0].data(), n, ch1);
  if (ch2) {
    if (d.channels > 1) {
      std::copy_n(s.ch[1].data(), n, ch2);
    } else {
      std::fill_n(ch2, n, 0.0f);
    }
  }
  if (info) {
    info->samples = n;
    info->sequence = s.sequence;
    info->first_packet = s.first_packet;
    info->completed = s.completed;
  }
  return true;
}

}  // namespace orva::sigrok
