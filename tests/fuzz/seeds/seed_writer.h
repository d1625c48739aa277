#pragma once
// Writes seed files into <corpus>/<harness>/<name>.

#include <cstdint>
#include <span>
#include <string>

class SeedWriter {
public:
    explicit SeedWriter(std::string corpus) : corpus_(std::move(corpus)) {}

    void put(const std::string& harness, const std::string& name, std::span<const uint8_t> bytes);
    bool failed() const { return failed_; }

private:
    std::string corpus_;
    bool failed_ = false;
};
