#include "platform/system_error.h"

#include <cerrno>
#include <cstring>

namespace korvan {

std::string SystemErrorText(int error) {
  switch (error) {
    case 0:
      return "bez chyby";
    case kNotRegularFile:
      return "není obyčejný soubor";
    case ENOENT:
      return "soubor nebo složka neexistuje";
    case ENOTDIR:
      return "část cesty není složka";
    case EISDIR:
      return "je to složka";
    case EACCES:
    case EPERM:
      return "přístup odepřen";
    case EROFS:
      return "médium je jen pro čtení";
    case ENOSPC:
      return "na disku není místo";
    case EDQUOT:
      return "překročena disková kvóta";
    case EFBIG:
      return "soubor je příliš velký";
    case ENAMETOOLONG:
      return "název je příliš dlouhý";
    case EIO:
      return "chyba vstupu/výstupu";
    case ENXIO:
    case ENODEV:
      return "zařízení není připojeno";
    case EMFILE:
    case ENFILE:
      return "příliš mnoho otevřených souborů";
    case ENOMEM:
      return "nedostatek paměti";
    case EEXIST:
      return "soubor již existuje";
    case EBUSY:
      return "soubor nebo zařízení je používáno";
    case ELOOP:
      return "příliš mnoho symbolických odkazů";
    default:
      return std::string("systémová chyba ") + std::to_string(error);
  }
}

}  // namespace korvan
