#include "sim/SimOptions.h"

#include "sim/TcpFront.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <functional>
#include <map>
#include <string_view>

namespace sim {
namespace {

// A whole decimal number within [low, high], or nullopt.
std::optional<unsigned long> Number(const std::string& text, unsigned long low, unsigned long high) {
    unsigned long value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc{} || stop != end || value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

// "2-8" or "1.5-7" (milliseconds, a fraction allowed) or a single "3", within 0 to 10000 ms.
std::optional<DelayRange> Range(const std::string& text) {
    const auto milliseconds = [](std::string_view part) -> std::optional<std::chrono::microseconds> {
        double value = 0;
        const char* end = part.data() + part.size();
        const auto [stop, error] = std::from_chars(part.data(), end, value);
        if (part.empty() || error != std::errc{} || stop != end || !(value >= 0 && value <= 10000)) {
            return std::nullopt;
        }
        return std::chrono::microseconds(static_cast<std::int64_t>(value * 1000));
    };
    const std::size_t dash = text.find('-');
    const auto low = milliseconds(std::string_view(text).substr(0, dash));
    const auto high = dash == std::string::npos ? low : milliseconds(std::string_view(text).substr(dash + 1));
    if (!low || !high || *high < *low) {
        return std::nullopt;
    }
    return DelayRange{*low, *high};
}

struct Parser {
    explicit Parser(const std::vector<std::string>& arguments) : args(arguments) {}

    const std::vector<std::string>& args;
    std::size_t next = 0;
    SimOptions options;
    std::string error;

    // The option's value as a number in range; records an error otherwise.
    std::optional<unsigned long> Value(const std::string& option, unsigned long low, unsigned long high) {
        if (next >= args.size()) {
            error = option + " needs a value";
            return std::nullopt;
        }
        const std::string& text = args[next++];
        const auto value = Number(text, low, high);
        if (!value) {
            error = option + ": '" + text + "' is not a number from " + std::to_string(low) + " to " +
                    std::to_string(high);
        }
        return value;
    }

    // The mode as ardenox-cli names it (even1, odd1, none2, none1) or as its register value 0 to 3.
    std::optional<std::uint16_t> Mode(const std::string& option) {
        constexpr std::array<std::string_view, 4> kNames{"even1", "odd1", "none2", "none1"};
        if (next < args.size()) {
            if (const auto* name = std::find(kNames.begin(), kNames.end(), args[next]);
                name != kNames.end()) {
                ++next;
                return static_cast<std::uint16_t>(name - kNames.begin());
            }
        }
        if (next < args.size() && !Number(args[next], 0, 3)) {
            error = option + ": '" + args[next] + "' is none of even1, odd1, none2, none1 (or 0 to 3)";
            return std::nullopt;
        }
        const auto value = Value(option, 0, 3);
        return value ? std::optional<std::uint16_t>(static_cast<std::uint16_t>(*value)) : std::nullopt;
    }

    // Sets `range` from the option's value, a range of milliseconds; records an error otherwise.
    void SetRange(const std::string& option, DelayRange& range) {
        const std::string text = next < args.size() ? args[next++] : std::string();
        if (const auto value = Range(text)) {
            range = *value;
        } else {
            error = option + ": '" + text + "' is not MS or LOW-HIGH in milliseconds (e.g. 2-8 or 1.5-7)";
        }
    }

    void Fault(FaultKind kind) { options.faults.push_back({.kind = kind}); }
    void DelayFault(const std::string& option, FaultKind kind) {
        if (const auto ms = Value(option, 0, 600000)) {
            options.faults.push_back({.kind = kind, .delay = std::chrono::milliseconds(*ms)});
        }
    }

    // Narrows the fault given last; an error when there is none.
    ReplyFault* LastFault(const std::string& option) {
        if (options.faults.empty()) {
            error = option + " must follow a fault";
            return nullptr;
        }
        return &options.faults.back();
    }

    bool Handle(const std::string& option) {
        using std::chrono::milliseconds;
        Config& config = options.config;
        const std::map<std::string, std::function<void()>> handlers = {
            {"--help", [&] { options.help = true; }},
            {"--version", [&] { options.version = true; }},
            {"--address",
             [&] {
                 if (auto v = Value(option, 1, 247))
                     config.settings.address = static_cast<std::uint8_t>(*v);
             }},
            {"--baud",
             [&] {
                 if (auto v = Value(option, 9600, 57600)) {
                     if (*v != 9600 && *v != 19200 && *v != 38400 && *v != 57600) {
                         error = option + ": the controller runs at 9600, 19200, 38400 or 57600";
                     }
                     config.settings.baudHundreds = static_cast<std::uint16_t>(*v / 100);
                 }
             }},
            {"--mode",
             [&] {
                 if (auto v = Mode(option))
                     config.settings.mode = *v;
             }},
            {"--neighbour",
             [&] {
                 if (auto v = Value(option, 1, 247))
                     config.neighbour = static_cast<std::uint8_t>(*v);
             }},
            {"--firmware",
             [&] {
                 if (auto v = Value(option, 0, 65535))
                     config.firmware = static_cast<std::uint16_t>(*v);
             }},
            {"--model",
             [&] {
                 if (auto v = Value(option, 0, 65535))
                     config.model = static_cast<std::uint16_t>(*v);
             }},
            {"--save-ms",
             [&] {
                 if (auto v = Value(option, 0, 600000))
                     config.saveDuration = milliseconds(*v);
             }},
            {"--status-after-save",
             [&] {
                 if (auto v = Value(option, 0, 65535))
                     config.statusAfterSave = static_cast<std::uint16_t>(*v);
             }},
            {"--link",
             [&] {
                 if (next < args.size()) {
                     config.linkPath = args[next++];
                 } else {
                     error = option + " needs a value";
                 }
             }},
            {"--log",
             [&] {
                 if (next < args.size()) {
                     options.logPath = args[next++];
                 } else {
                     error = option + " needs a value";
                 }
             }},
            {"--listen",
             [&] {
                 std::uint16_t port = 0;
                 if (next < args.size() && ParseListenName(args[next], options.listenHost, port)) {
                     options.listenPort = port;
                     ++next;
                 } else {
                     error = option + " needs tcp://HOST:PORT (port 0: any free one)";
                 }
             }},
            {"--single-register-reads", [&] { config.singleRegisterReads = true; }},
            {"--no-reply", [&] { Fault(FaultKind::NoReply); }},
            {"--late-ms", [&] { DelayFault(option, FaultKind::LateReply); }},
            {"--gap-ms", [&] { DelayFault(option, FaultKind::ByteGap); }},
            {"--gap-after",
             [&] {
                 if (auto v = Value(option, 0, 255)) {
                     if (options.faults.empty() || options.faults.back().kind != FaultKind::ByteGap) {
                         error = option + " must follow --gap-ms";
                     } else {
                         options.faults.back().gapAfter = *v;
                     }
                 }
             }},
            {"--bad-crc", [&] { Fault(FaultKind::BadCrc); }},
            {"--other-address", [&] { Fault(FaultKind::OtherAddress); }},
            {"--exception",
             [&] {
                 if (auto v = Value(option, 1, 255)) {
                     options.faults.push_back(
                         {.kind = FaultKind::Exception, .exceptionCode = static_cast<std::uint8_t>(*v)});
                 }
             }},
            {"--wrong-echo", [&] { Fault(FaultKind::WrongEcho); }},
            {"--short", [&] { Fault(FaultKind::ShortByOne); }},
            {"--long", [&] { Fault(FaultKind::LongByOne); }},
            {"--times",
             [&] {
                 if (auto v = Value(option, 1, 1000000); v && LastFault(option))
                     options.faults.back().times = static_cast<int>(*v);
             }},
            {"--on-function",
             [&] {
                 if (auto v = Value(option, 1, 127); v && LastFault(option))
                     options.faults.back().function = static_cast<std::uint8_t>(*v);
             }},
            {"--on-register",
             [&] {
                 if (auto v = Value(option, 0, 65535); v && LastFault(option))
                     options.faults.back().reg = static_cast<std::uint16_t>(*v);
             }},
            {"--sticky",
             [&] {
                 // Only the three settings are written and read back; anything else would silently
                 // stay without effect.
                 if (auto v = Value(option, 0, 65535)) {
                     if (*v < kRegAddress || *v > kRegMode) {
                         error = option + ": register " + std::to_string(*v) +
                                 " is no setting; sticky applies to holding registers 33, 34 and 35";
                     }
                     options.stickyRegisters.push_back(static_cast<std::uint16_t>(*v));
                 }
             }},
            {"--twice-ms", [&] { DelayFault(option, FaultKind::Twice); }},
            {"--latency-ms", [&] { SetRange(option, config.latency); }},
            {"--copies",
             [&] {
                 if (auto v = Value(option, 0, 100))
                     config.copyShare = static_cast<double>(*v) / 100;
             }},
            {"--copy-ms", [&] { SetRange(option, config.copyDelay); }},
            {"--holding",
             [&] {
                 // REG=VALUE, whatever the value means: a controller reporting what no tool knows.
                 const std::string text = next < args.size() ? args[next++] : std::string();
                 const std::size_t equals = text.find('=');
                 const auto reg = Number(text.substr(0, equals), 0, 65535);
                 const auto value =
                     equals == std::string::npos ? std::nullopt : Number(text.substr(equals + 1), 0, 65535);
                 if (!reg || !value) {
                     error = option + ": '" + text + "' is not REGISTER=VALUE (e.g. 35=9)";
                 } else {
                     options.holdingValues.emplace_back(static_cast<std::uint16_t>(*reg),
                                                        static_cast<std::uint16_t>(*value));
                 }
             }},
            {"--stuck-saving", [&] { options.stuckSaving = true; }},
            {"--echo", [&] { config.echo = true; }},
            {"--hang-up-ms",
             [&] {
                 if (auto v = Value(option, 0, 86400000))
                     options.hangUpAfter = milliseconds(*v);
             }},
        };
        const auto handler = handlers.find(option);
        if (handler == handlers.end()) {
            error = "unknown option '" + option + "'";
            return false;
        }
        handler->second();
        return error.empty();
    }
};

}  // namespace

ParsedOptions ParseOptions(const std::vector<std::string>& args) {
    Parser parser(args);
    while (parser.next < args.size()) {
        if (!parser.Handle(args[parser.next++])) {
            return {std::nullopt, parser.error};
        }
    }
    return {parser.options, {}};
}

std::string UsageText() {
    return R"(Usage: ardenox-sim [options]
Answers as an ArdenoX controller (Modbus RTU slave) on a new pseudo-terminal. The first line of
output is the device path to open. Runs until SIGINT or SIGTERM; SIGHUP restarts the controller
(saved settings take effect); SIGUSR1 injects the next short burst of reply faults from a fixed
rotation (late, lost, corrupted, short, long, misaddressed, paused, doubled and copied
replies, busy refusals) and prints its name;
SIGUSR2 prints the number of requests answered so far; SIGPWR puts a factory-fresh unit
(address 16, 19200 baud, even1) with the next firmware number in its place and prints that number.

Controller:
  --address N      slave address it answers on, 1..247 (default 16)
  --baud N         stored baud rate: 9600, 19200, 38400 or 57600 (default 19200); it answers
                   only while the tool's end of the line is set to this speed
  --mode MODE      stored parity/stop bits: even1 (default), odd1, none2, none1, or 0..3
  --firmware N     firmware version register, e.g. 205 for 2.5 (default 205)
  --model N        model number register (default 3102)
  --neighbour N    another controller already on the line at address N; it answers at any speed
  --save-ms N      how long a save keeps the status at 1 (default 300)
  --status-after-save N
                   the status holding 32 reads once a save has ended, e.g. 2 (default: the
                   one it read before the save, 0)
  --link PATH      also make PATH a symlink to the device
  --log FILE       write every frame received and sent to FILE, decoded as the tool's trace
  --listen tcp://HOST:PORT
                   also answer Modbus TCP there, as a translating gateway with this controller
                   behind it (other units get exception 11); prints tcp://HOST:PORT as the
                   second line (port 0 takes a free one)
  --single-register-reads
                   refuse a read of more than one register with exception 2 (illegal data
                   address), as a controller that answers one register per request does
  --echo           send every request back before its reply, as a half-duplex adapter that
                   hears itself does
  --latency-ms R   wait R ms before each reply: a number or a range LOW-HIGH drawn anew for
                   every reply (e.g. 2-8)
  --copies P       send P % of the replies, chosen at random, once more ...
  --copy-ms R      ... R ms after the reply (a range as above, default 0), while answering
                   the next requests as usual: a repeater or a second unit at the address
Faults (every reply; when several match, the first given applies):
  --no-reply       carry out requests but never answer
  --late-ms N      answer N ms late
  --gap-ms N       pause N ms inside each reply ...
  --gap-after K    ... after K bytes (default 1)
  --bad-crc        corrupt the CRC
  --other-address  answer from the next slave address
  --exception C    answer with exception code C and carry nothing out
  --wrong-echo     alter the last data byte (a wrong echo of a write)
  --short          leave out the last byte
  --long           add one byte
  --twice-ms N     send each reply twice, N ms apart (a retransmitting repeater)
  --times N        ... only to the first N replies it matches (after any fault above)
  --on-function F  ... only to requests of function F (3, 4 or 6)
  --on-register R  ... only to requests for register R (e.g. --exception 4 --on-register 32
                   refuses the save command; --late-ms 150 --times 3 makes three replies late)
Register faults:
  --sticky REG     holding register REG keeps its old value on write (repeatable)
  --holding R=V    holding register R holds V from the start, even one no setting allows
                   (e.g. 35=9, or 32=2 for the status), or a baud code no write takes (34=48);
                   repeatable
  --stuck-saving   a save never ends
  --hang-up-ms N   the line goes away N ms after start
  --help           this text
  --version        print the version and end

Register map (slave address --address; 16-bit registers):
  input 0          firmware version, major * 100 + minor (205 = 2.5)
  input 2          model number (3102)
  holding 32       configuration status on read (0 idle, 1 saving, 2 not saving either); writing
                   2371 saves the settings
  holding 33       address, 1..247
  holding 34       baud rate / 100; writes take 96, 192, 384, 576 (--holding 34=48 shows another)
  holding 35       mode: 0 even parity, 1 stop bit; 1 odd, 1 stop bit; 2 none, 2 stop bits;
                   3 none, 1 stop bit
Saved settings take effect at the next restart (SIGHUP).
)";
}

}  // namespace sim
