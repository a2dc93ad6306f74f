// Firmware model of the mouse in normal mode: the registers, blocks and macro slots behind
// the command interface, and the reports the device sends back. No I/O here: the server
// feeds reports in and carries the answers out, so the model can be tested on its own.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace vmouse {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kBulkReportData = 32; // data bytes per bulk output/input report
constexpr std::size_t kNotifyReportSize = 4;
constexpr std::size_t kMacroSlots = 12;
constexpr std::size_t kMacroSlotSize = 128;

struct FirmwareState {
    std::uint8_t reportRate = 1;
    std::uint8_t profile = 0;
    // 0x03 / 0x83: sensor type, rate, option1 (bit 6: scroll swap), option2. The
    // keyboard-family option command carries its four bytes in the same register.
    std::array<std::uint8_t, 4> functionOption{};
    // 0x07 / 0x87 by type: option1..option3 (option1 0 means the logo LED works).
    std::map<std::uint8_t, std::array<std::uint8_t, 3>> ledInstruct;
    std::uint8_t dpiStage = 1;                       // 0x0B / 0x8B
    std::array<std::uint8_t, 3> ledEffect{};         // 0x0D / 0x8D: effect, option1, option2
    std::array<std::uint8_t, 5> gunData{};           // 0x04
    std::array<std::uint8_t, 2> xySensitivity{};     // 0x0E: X, Y
    std::array<std::uint8_t, 24> stageColors{};      // 0x10 / 0x90 type 1
    std::array<std::uint8_t, 4> stageColorsPacked{}; // 0x10 / 0x90 type 2
    std::uint8_t dpiMaxStage = 0;                    // 0x11 p1, reported as a1 of 0x91
    std::array<std::uint8_t, 8> dpiCodes{};          // 0x11 / 0x91
    std::array<std::uint8_t, 64> buttonTable{};      // 0x12 / 0x92 index 1
    std::array<std::uint8_t, 64> gunTable{};         // 0x12 / 0x92 index 3
    std::array<std::array<std::uint8_t, kMacroSlotSize>, kMacroSlots> macros{}; // 0x13 / 0x93
    std::array<std::uint8_t, 2> firmwareVersion{};                              // 0x80: a1, a2
    // Keyboard-family registers and blocks, kept per command.
    std::array<std::uint8_t, 4> buttonSensitivity{}; // 0x84
    std::array<std::uint8_t, 6>
        ledType{};                 // 0x08 / 0x88: option, effect, speed, light, color, direction
    std::uint8_t keyboardMode = 0; // 0x09 / 0x89
    std::array<std::uint8_t, 512> keyMatrix{}; // 0x0D with p3 = 8
    std::array<std::uint8_t, 21> keyOnOff{};   // 0x0E with p3 = 0x15 / 0x8E
    std::map<std::uint8_t, std::array<std::uint8_t, 192>> keyboardMacros; // 0x11 p3 = 3 / 0x91 p2
    std::map<std::uint8_t, std::array<std::uint8_t, 512>> userPictures;   // 0x12 p3 = 8 / 0x92 p2
    std::map<std::uint8_t, std::array<std::uint8_t, 3>> colors;           // 0x14 / 0x94
};

// What happened to one feature report, for the traffic log.
struct FeatureOutcome {
    std::array<std::uint8_t, 8> plain{}; // the 8 bytes after the report id, deciphered
    bool executed = false;
    std::string note; // "bad checksum", "unknown command", "" …
};

// How the firmware frames its answers.
enum class Answers {
    Design,  // a0 repeats the command code, a1..a6 carry values: the least a mouse may send
    Framed,  // also a checksum in a7 and the keyboard family's size marks at a3
    Uncoded, // a0 always 0: a mouse that does not even repeat the code
};

class MouseFirmware {
  public:
    // `encrypted`: command reports arrive enciphered and answers without a bulk phase
    // leave enciphered, both with `code` (six ASCII characters).
    explicit MouseFirmware(bool encrypted = false, const std::string& code = "735190",
                           Answers answers = Answers::Design);

    // A feature report from the host: the 8 bytes after the report id, as on the wire.
    FeatureOutcome featureReport(const std::uint8_t* wire8);

    // The answer feature report for the last command: the 8 bytes after the report id,
    // as on the wire (enciphered when the link is) and as plain bytes.
    std::array<std::uint8_t, 8> answerWire() const;
    std::array<std::uint8_t, 8> answerPlain() const { return answer_; }

    // A bulk output report: up to 32 data bytes after the report id. Returns a note for
    // the log ("" when it was expected data, "unexpected output" otherwise).
    std::string outputReport(const std::uint8_t* data, std::size_t length);

    // Input reports waiting on the command interface (32 data bytes each), oldest first.
    std::deque<Bytes>& commandInput() { return commandInput_; }

    // The DPI button: moves the current stage and returns the notification 06 07 00 stage.
    Bytes dpiButton(std::uint8_t stage);

    // Back to the factory state (0x13 with p1 = 0xFF does the same).
    void factoryReset();

    // Power-up: what lives in RAM is gone (a pending block, queued input, a hand-over to
    // the boot loader that was offered); the settings stay.
    void powerOn();

    // True once: the host has confirmed (0x8F) the hand-over it asked for with 0x0F and the
    // MCU is to restart into its boot loader.
    bool takeBootRequest();
    // The boot-loader entry command was taken; the confirmation has not been read yet.
    bool bootArmed() const { return bootArmed_; }

    const FirmwareState& state() const { return state_; }
    FirmwareState& state() { return state_; }

    // Every register, block and slot as a JSON object (text).
    std::string stateJson() const;

    bool encrypted() const { return encrypted_; }

  private:
    void execute(const std::array<std::uint8_t, 8>& frame);
    void finishBulkOut();
    void queueInput(const std::uint8_t* data, std::size_t length);

    FirmwareState state_;
    bool encrypted_;
    Answers answers_;
    std::array<std::uint8_t, 8> secrecy_{};
    std::array<std::uint8_t, 8> answer_{};
    bool answerEnciphered_ = false;
    std::deque<Bytes> commandInput_;

    // A setter waiting for its block.
    struct PendingBlock {
        std::array<std::uint8_t, 8> frame{};
        std::size_t expected = 0;
        Bytes received;
    };
    bool pending_ = false;
    PendingBlock block_;

    // 0x0F with the entry code arms the hand-over, 0x8F confirms it.
    bool bootArmed_ = false;
    bool bootConfirmed_ = false;

    // Set by execute() for the outcome of the command being handled.
    bool known_ = true;
    std::string executeNote_;
};

} // namespace vmouse
