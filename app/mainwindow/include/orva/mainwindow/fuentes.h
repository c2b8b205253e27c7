// Where the window's samples come from: a list of source providers that grows
// by one class and one line in TodasLasFuentes() (fuentes.cpp).
//
// A source is named by a text, the same on the command line (--source SPEC,
// --list-sources) and in the window's source menu:
//   demo        the demonstration generator (the start-up source)
//   board       the board through the real I/O ports
//   sim:MODEL   the simulated board of MODEL (ktr5, ktr4, ktr2, ktr1; any case)
//   audio[:NAME]  the sound input NAME (id or description; none: the default)
//   sigrok:DRIVER[:OPTION=VALUE...]  a libsigrok instrument (orva/sigrok/spec.h)
// A provider owns one prefix (the text before the first ':', any case) and
// lists the choices it has now; each choice carries its text and a short
// description in the asked language (lower case, as it reads after
// "source: "; the window's menu writes it with a capital).
//
// Selecting goes through Oscil::EligeFuente, which leaves the source in use
// (Deja) before the new provider takes over the window's instrument.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace orva::mainwindow {

class Oscil;

struct OpcionDeFuente {
  std::string spec;         // e.g. "sim:ktr5"
  std::string descripcion;  // e.g. "simulated board ktr5"
};

class ProveedorDeFuente {
 public:
  virtual ~ProveedorDeFuente() = default;
  // "demo", "board", "sim", ...: lower case, no ':'.
  virtual std::string_view Prefijo() const = 0;
  // The choices available now, described in language idioma (0..3).
  virtual std::vector<OpcionDeFuente> Opciones(int idioma) const = 0;
  // The same without waiting (the window's menu): a provider whose choices
  // take long to find returns those it has and sets *pendiente while it
  // looks for the rest on a thread of its own.
  virtual std::vector<OpcionDeFuente> OpcionesSinEspera(int idioma, bool* pendiente) const {
    (void)pendiente;
    return Opciones(idioma);
  }
  // Checks spec (its prefix is this provider's) without touching anything.
  // True: *normal holds its canonical text (lower case model names...).
  // False: *error holds one line that says what is wrong.
  virtual bool Comprueba(std::string_view spec, std::string* normal, std::string* error) const = 0;
  // The description of a canonical spec this provider accepted.
  virtual std::string Descripcion(std::string_view spec, int idioma) const = 0;
  // Makes the window's instrument acquire from the canonical spec. False with
  // one line in *error when the source cannot be opened now.
  virtual bool Selecciona(Oscil& ventana, std::string_view spec, std::string* error) = 0;
  // The window leaves this provider's source (another one is chosen).
  virtual void Deja(Oscil& ventana) { (void)ventana; }
};

class RegistroDeFuentes {
 public:
  void Registra(std::unique_ptr<ProveedorDeFuente> proveedor);
  // The provider of spec's prefix (any case), or null.
  ProveedorDeFuente* Para(std::string_view spec) const;
  // Every provider's choices, in the order the providers were registered.
  std::vector<OpcionDeFuente> Opciones(int idioma) const;
  // Without waiting: *pendiente is set when some provider is still looking.
  std::vector<OpcionDeFuente> OpcionesSinEspera(int idioma, bool* pendiente) const;
  // Checks spec against its provider: false with one line for an unknown
  // prefix or a bad text.
  bool Comprueba(std::string_view spec, std::string* normal, std::string* error) const;
  const std::vector<std::unique_ptr<ProveedorDeFuente>>& Proveedores() const { return proveedores_; }

 private:
  std::vector<std::unique_ptr<ProveedorDeFuente>> proveedores_;
};

// The program's sources, registered once (first use).
RegistroDeFuentes& Fuentes();

}  // namespace orva::mainwindow
