#include "imageload.h"

#include "decode.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace irr;

namespace imageload {

namespace {

// A read-only file over bytes already checked, handed to an engine decoder.
class CheckedMemoryFile : public io::IReadFile
{
public:
    CheckedMemoryFile(const unsigned char* data, std::size_t size, const io::path& name)
        : data_(data), size_(static_cast<long>(size)), name_(name)
    {}

    s32 read(void* buffer, u32 sizeToRead) override
    {
        const long n = std::min<long>(sizeToRead, size_ - pos_);
        if (n <= 0)
            return 0;
        std::memcpy(buffer, data_ + pos_, static_cast<std::size_t>(n));
        pos_ += n;
        return static_cast<s32>(n);
    }
    bool seek(long finalPos, bool relativeMovement = false) override
    {
        const long target = relativeMovement ? pos_ + finalPos : finalPos;
        if (target < 0 || target > size_)
            return false;
        pos_ = target;
        return true;
    }
    long getSize() const override { return size_; }
    long getPos() const override { return pos_; }
    const io::path& getFileName() const override { return name_; }

private:
    const unsigned char* data_;
    long size_;
    long pos_ = 0;
    io::path name_;
};

// WAL and LMP carry no magic number, so the engine picks their decoder by the
// name's extension; ask that decoder alone, never the others behind it.
video::IImage* DecodeWithEngine(video::IVideoDriver* driver, const unsigned char* data,
                                std::size_t size, const char* name, std::string& reason)
{
    CheckedMemoryFile* file = new CheckedMemoryFile(data, size, name);
    video::IImage* image = nullptr;
    bool found = false;
    for (u32 i = driver->getImageLoaderCount(); i-- > 0 && !found;) {
        video::IImageLoader* loader = driver->getImageLoader(i);
        if (loader && loader->isALoadableFileExtension(name)) {
            found = true;
            file->seek(0);
            image = loader->loadImage(file);
        }
    }
    file->drop();
    if (!found)
        reason = "this engine has no decoder for the format";
    else if (!image)
        reason = "the engine's decoder refused the file";
    return image;
}

} // namespace

namespace {

// Wraps decoded pixels in an engine image, which takes over the buffer.
video::IImage* ToEngineImage(video::IVideoDriver* driver, DecodedImage& decoded,
                             std::string& reason)
{
    const video::ECOLOR_FORMAT colorFormat =
        decoded.layout == PixelLayout::Rgb24 ? video::ECF_R8G8B8 : video::ECF_A8R8G8B8;
    video::IImage* image = driver->createImageFromData(
        colorFormat, core::dimension2d<u32>(decoded.width, decoded.height), decoded.pixels.get(),
        true, true);
    if (image)
        decoded.pixels.release();
    else
        reason = "the engine could not create the image";
    return image;
}

} // namespace

video::IImage* DecodePanoramaImage(video::IVideoDriver* driver, const unsigned char* data,
                                   std::size_t size, std::string& reason)
{
    DecodedImage decoded;
    FileFormat format = FileFormat::Unknown;
    if (!DecodeImage(data, size, decoded, reason, format))
        return nullptr;
    if (format == FileFormat::Wal)
        return DecodeWithEngine(driver, data, size, "checked.wal", reason);
    if (format == FileFormat::Lmp)
        return DecodeWithEngine(driver, data, size, "checked.lmp", reason);
    return ToEngineImage(driver, decoded, reason);
}

video::IImage* DecodePanoramaImageFile(video::IVideoDriver* driver, const io::path& file,
                                       std::string& reason)
{
    const int fd = ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        reason = std::strerror(errno);
        return nullptr;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0) {
        reason = std::strerror(errno);
    } else if (!S_ISREG(info.st_mode)) {
        reason = "not a regular file";
    } else if (std::uint64_t(info.st_size) > MaxFileSize) {
        reason = "the file is larger than 1 GiB";
    }
    std::FILE* stream = reason.empty() ? ::fdopen(fd, "rb") : nullptr;
    if (!stream) {
        if (reason.empty())
            reason = std::strerror(errno);
        ::close(fd);
        return nullptr;
    }

    // A PNG is decoded as it is read, as the engine's own loader does.
    unsigned char head[8] = {};
    const std::size_t headSize = std::fread(head, 1, sizeof head, stream);
    std::rewind(stream);
    if (IdentifyImage(head, headSize) == FileFormat::Png) {
        DecodedImage decoded;
        const bool ok = DecodePngFile(stream, decoded, reason);
        std::fclose(stream);
        return ok ? ToEngineImage(driver, decoded, reason) : nullptr;
    }

    // Everything else, JPEG included, is decoded from memory, as the
    // engine's own loaders do.
    const std::size_t size = static_cast<std::size_t>(info.st_size);
    std::unique_ptr<unsigned char[]> bytes(new (std::nothrow) unsigned char[size ? size : 1]);
    const std::size_t done = bytes ? std::fread(bytes.get(), 1, size, stream) : 0;
    std::fclose(stream);
    if (!bytes) {
        reason = "not enough memory to read the file";
        return nullptr;
    }
    if (done != size) {
        reason = "the file could not be read completely";
        return nullptr;
    }
    return DecodePanoramaImage(driver, bytes.get(), size, reason);
}

} // namespace imageload

namespace {

// The file name as it may appear on one line of the terminal.
std::string Printable(const io::path& file)
{
    std::string out;
    for (u32 i = 0; i < file.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(file[i]);
        out += (c < 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    }
    return out;
}

void Refuse(const io::path& file, const std::string& reason, std::string* refusal)
{
    const std::string text = "cannot load \"" + Printable(file) + "\": " + reason;
    std::fprintf(stderr, "skyglass: %s\n", text.c_str());
    if (refusal)
        *refusal = text;
}

} // namespace

video::ITexture* LoadPanoramaTexture(video::IVideoDriver* driver, const io::path& file,
                                     std::string* refusal)
{
    if (!driver)
        return nullptr;
    if (file.size() == 0) {
        Refuse(file, "no file name", refusal);
        return nullptr;
    }
    std::string reason;
    video::IImage* image = imageload::DecodePanoramaImageFile(driver, file, reason);
    if (!image) {
        Refuse(file, reason, refusal);
        return nullptr;
    }
    video::ITexture* texture = driver->addTexture(file, image);
    image->drop();
    if (!texture) {
        Refuse(file, "the video driver could not make a texture of it", refusal);
        return nullptr;
    }
    // Finds the texture just added under this name; no loader runs.
    return driver->getTexture(file);
}
