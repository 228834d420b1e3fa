#pragma once

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

// A fresh folder for one test, removed with everything in it afterwards.
class TempDir
{
public:
    TempDir()
    {
        std::random_device seed;
        std::mt19937_64 random(seed());
        for (int attempt = 0; attempt < 100 && m_path.empty(); ++attempt)
        {
            std::filesystem::path candidate =
                std::filesystem::temp_directory_path() / ("quillory-test-" + std::to_string(random() % 100000000));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec))
                m_path = candidate;
        }
    }
    ~TempDir()
    {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // `name` in UTF-8.
    std::filesystem::path operator/(const std::string& name) const { return m_path / std::filesystem::u8path(name); }

private:
    std::filesystem::path m_path;
};

inline void WriteFile(const std::filesystem::path& path, const std::string& content = "x")
{
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
