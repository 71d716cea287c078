#include "support/independent_pictures.h"

#include <openssl/evp.h>

#include <cstdio>

namespace pbtest {

const std::vector<IndependentPicture>& independent_pictures() {
    static const std::string thrust =
        "30 right\n90 up-left\n91 up-left+select\n130 none\n200 down\n"
        "260 down-right+select\n280 left\n";
    static const std::vector<IndependentPicture> pictures = {
        {3, 0, "", "94ff699ddcffc8427f0af8cf5f79795943aee88135ffb537ce79174eebf46937"},
        {500, 1, "", "bef5e73ab07020620a7a6f50830a8508577a1633f9caa0f46f86ac5785ee4b28"},
        {1024, 90, "", "36a8329b7f83be6c20006995a015412d292dafc3bd7921fa34e6f3bdb43db780"},
        {4096, 300, thrust, "399aa073ff94787cf8e2f116621d21c2ebcaab115d0709a0116fef4c04bf1e2b"},
        {8191, 333, "", "d83b3e1289c5fe76195837c6c22db97943a6203486eb8447a9aec056795f0877"},
        {16384, 450, thrust, "50b2d8d1da04b44313a17765825d696cf95522aed980561a5e98f309a3afde52"},
        {22222, 1200, "", "0ab7a4d3e602cdbd6a7b55d799cf60790074c02e20f4fa921b74ef2e51226787"},
        {65000, 800, thrust, "3e78ff88edd37166b7337eb3583f715eadf33f8dd8f7d813aa47d2acf1de97f1"},
    };
    return pictures;
}

std::string picture_hash(const sim::Picture& picture) {
    static_assert(sizeof picture.palette == 768);
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_MD_CTX* context = EVP_MD_CTX_new();
    EVP_DigestInit_ex(context, EVP_sha256(), nullptr);
    EVP_DigestUpdate(context, picture.pixels.data(), picture.pixels.size());
    EVP_DigestUpdate(context, picture.palette.data(), sizeof picture.palette);
    EVP_DigestFinal_ex(context, digest, &size);
    EVP_MD_CTX_free(context);
    std::string hex;
    char byte[3];
    for (unsigned int i = 0; i < size; ++i) {
        std::snprintf(byte, sizeof byte, "%02x", digest[i]);
        hex += byte;
    }
    return hex;
}

}  // namespace pbtest
