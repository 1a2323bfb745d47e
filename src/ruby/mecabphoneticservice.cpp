#include "ruby/mecabphoneticservice.h"

namespace {
class Unavailable : public PhoneticService
{
public:
    PhoneticResult reading(const QString &) override { return {QString(), QStringLiteral("not built")}; }
};
} // namespace

std::unique_ptr<PhoneticService> createMecabPhoneticService()
{
    return std::make_unique<Unavailable>();
}
