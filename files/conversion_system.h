#pragma once

class QProcess;

namespace Conversion {

// Sets up how the system starts a converter: what it inherits and where it shows.
void prepareStart(QProcess &converter);

} // namespace Conversion
