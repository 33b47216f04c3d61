#pragma once

// Who is logged in and what the user's access level lets them open.  The level is the letter of
// the user's type: "A" (administrator) opens everything; "G" (manager) the requests and the
// office's reference tables; "S" (staff) the requests; "C" (a citizen) only their own requests,
// whose status and unit they cannot change.  Users and user types are the administrator's alone,
// since a user type decides what its users may open.

#include <cstdint>
#include <string>

struct TUsuarioLogado {
  // The login name, as typed and stored.
  std::string Login;
  int64_t Id = 0;
  // "A", "G", "S" or "C".
  char Nivel = 0;
};

// Whether `nivel` is one of the four access levels.
bool NivelValido(char nivel);

// The user of the calling web session, or of the desktop program; an empty login before a login
// was accepted.
const TUsuarioLogado& UsuarioAtual();
void DefinirUsuarioAtual(const TUsuarioLogado& usuario);

// Whether the current user's level may open the form of class `formClass` (a class name such
// as "TfCadUsuarios").  Nobody opens anything before a login; a form the program does not list
// is opened by nobody.
bool PodeAbrir(const std::string& formClass);
// Raises Exception "Acesso negado" when the current user may not open `formClass`.
void ExigirAcesso(const std::string& formClass);

// Whether the current user is a citizen.
bool UsuarioCidadao();
