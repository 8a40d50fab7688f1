#include "port/TelnetCodec.h"

namespace port::telnet {

std::vector<std::uint8_t> Escape(const std::uint8_t* data, std::size_t size) {
    std::vector<std::uint8_t> escaped;
    escaped.reserve(size);
    for (std::size_t i = 0; i < size; ++i) {
        escaped.push_back(data[i]);
        if (data[i] == kIac) {
            escaped.push_back(kIac);
        }
    }
    return escaped;
}

std::vector<std::uint8_t> Subnegotiation(std::uint8_t option, const std::vector<std::uint8_t>& payload) {
    std::vector<std::uint8_t> bytes{kIac, kSb, option};
    const auto escaped = Escape(payload.data(), payload.size());
    bytes.insert(bytes.end(), escaped.begin(), escaped.end());
    bytes.push_back(kIac);
    bytes.push_back(kSe);
    return bytes;
}

void Decoder::Keep(std::uint8_t byte) {
    if (m_command.payload.size() == kMaxSubnegotiation) {
        m_broken = true;
        m_command.payload = {};
    } else {
        m_command.payload.push_back(byte);
    }
}

bool Decoder::Feed(const std::uint8_t* bytes, std::size_t size, std::deque<std::uint8_t>& data,
                   std::vector<Command>& commands) {
    for (std::size_t i = 0; i < size && !m_broken; ++i) {
        const std::uint8_t byte = bytes[i];
        switch (m_state) {
            case State::Data:
                if (byte == kIac) {
                    m_state = State::Iac;
                } else {
                    data.push_back(byte);
                }
                break;
            case State::Iac:
                if (byte == kIac) {
                    data.push_back(kIac);
                    m_state = State::Data;
                } else if (byte == kSb) {
                    m_command = {kSb, 0, {}};
                    m_state = State::SbOption;
                } else if (byte >= kWill) {
                    m_command = {byte, 0, {}};
                    m_state = State::Verb;
                } else {
                    m_state = State::Data;  // NOP, GA and the other one-byte commands carry nothing for us
                }
                break;
            case State::Verb:
                m_command.option = byte;
                commands.push_back(std::move(m_command));
                m_state = State::Data;
                break;
            case State::SbOption:
                m_command.option = byte;
                m_state = State::SbPayload;
                break;
            case State::SbPayload:
                if (byte == kIac) {
                    m_state = State::SbIac;
                } else {
                    Keep(byte);
                }
                break;
            case State::SbIac:
                if (byte == kSe) {
                    commands.push_back(std::move(m_command));
                    m_state = State::Data;
                } else {
                    Keep(byte);  // a doubled IAC inside the payload
                    m_state = State::SbPayload;
                }
                break;
        }
    }
    return !m_broken;
}

}  // namespace port::telnet
