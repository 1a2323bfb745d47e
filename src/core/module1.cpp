#include "core/module1.h"

Module1 Module1::atStartUp()
{
    Module1 module;
    module.gRubyAttribute = QStringLiteral("style=\"font-size:7pt\"");
    module.gRubyAttributeOn = 0;
    return module;
}
