#include "traffic/Trace.h"

#include <cerrno>
#include <system_error>

namespace traffic {
namespace {

std::FILE* CreateFile(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "w");
    if (file == nullptr) {
        throw std::system_error(errno, std::system_category(), path);
    }
    return file;
}

}  // namespace

Trace::Trace(std::FILE* stream, const std::string& header) : m_writer(m_ring, stream, header) {}

Trace::Trace(const std::string& path, const std::string& header)
    : m_file(CreateFile(path)), m_writer(m_ring, m_file.get(), header) {}

}  // namespace traffic
