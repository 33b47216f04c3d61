// Draws the program's pictures into a folder: the login's logo and illustration, the menu's
// logo and the 24 x 24 glyphs of the menu's buttons.  They share one palette and one line style
// so that they read as a set.  Run at build time: MakeArtwork <folder>.

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>
#include <functional>

namespace {

const QColor Ink(0x1F, 0x4E, 0x79);
const QColor Accent(0x2E, 0x86, 0xC1);
const QColor Light(0xD6, 0xEA, 0xF8);
const QColor Warm(0xF3, 0x9C, 0x12);

QImage Canvas(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  return image;
}

// The office's sign: a speech balloon (the citizen's voice) holding a check mark.
void Balloon(QPainter& p, QRectF r) {
  QPainterPath path;
  const QRectF body(r.left(), r.top(), r.width(), r.height() * 0.78);
  path.addRoundedRect(body, r.width() * 0.18, r.width() * 0.18);
  QPainterPath tail;
  tail.moveTo(r.left() + r.width() * 0.22, body.bottom() - 1);
  tail.lineTo(r.left() + r.width() * 0.18, r.bottom());
  tail.lineTo(r.left() + r.width() * 0.45, body.bottom() - 1);
  tail.closeSubpath();
  path = path.united(tail);
  p.setPen(Qt::NoPen);
  p.setBrush(Accent);
  p.drawPath(path);
  QPen check(Qt::white, r.width() * 0.09, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  p.setPen(check);
  p.setBrush(Qt::NoBrush);
  QPainterPath mark;
  mark.moveTo(body.left() + body.width() * 0.26, body.center().y());
  mark.lineTo(body.left() + body.width() * 0.44, body.center().y() + body.height() * 0.18);
  mark.lineTo(body.left() + body.width() * 0.76, body.top() + body.height() * 0.28);
  p.drawPath(mark);
}

QImage Logo(int width, int height) {
  QImage image = Canvas(width, height);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  const qreal side = std::min(width, height) * 0.9;
  Balloon(p, QRectF((width - side) / 2, (height - side) / 2, side, side));
  return image;
}

// A tall picture for the login's right side: sky, a row of civic buildings, the sign above them.
QImage Illustration(int width, int height) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient sky(0, 0, 0, height);
  sky.setColorAt(0, Ink);
  sky.setColorAt(1, Accent);
  p.fillRect(image.rect(), sky);
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(255, 255, 255, 40));
  const int ground = height * 3 / 4;
  const int widths[] = {60, 90, 70, 110, 80, 60};
  const int heights[] = {120, 180, 140, 230, 160, 110};
  int x = 0;
  for (int i = 0; x < width; i = (i + 1) % 6) {
    p.drawRect(x, ground - heights[i], widths[i] - 6, heights[i]);
    x += widths[i];
  }
  p.setBrush(QColor(255, 255, 255, 70));
  p.drawRect(0, ground, width, height - ground);
  const qreal side = width * 0.45;
  Balloon(p, QRectF((width - side) / 2, height * 0.16, side, side));
  return image;
}

// Glyphs: drawn on a 24 x 24 grid with a 2-pixel ink line and light fills.
using TGlyph = std::function<void(QPainter&)>;

QImage Glyph(const TGlyph& draw) {
  QImage image = Canvas(24, 24);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  p.setBrush(Light);
  draw(p);
  return image;
}

void Person(QPainter& p, qreal x, qreal y, qreal scale) {
  p.drawEllipse(QPointF(x, y - 4 * scale), 3.5 * scale, 3.5 * scale);
  p.drawChord(QRectF(x - 7 * scale, y + 1 * scale, 14 * scale, 14 * scale), 0, 180 * 16);
}

const std::pair<const char*, TGlyph> Glyphs[] = {
    {"solicitacoes",
     [](QPainter& p) {
       p.drawRoundedRect(QRectF(4, 3, 14, 18), 2, 2);
       p.drawLine(QPointF(8, 9), QPointF(14, 9));
       p.drawLine(QPointF(8, 13), QPointF(14, 13));
       p.setBrush(Warm);
       p.setPen(Qt::NoPen);
       p.drawEllipse(QPointF(18, 18), 4, 4);
     }},
    {"gerenciamento",
     [](QPainter& p) {
       for (int row = 0; row < 3; ++row) {
         p.drawRect(QRectF(3, 4 + row * 6, 4, 4));
         p.drawLine(QPointF(10, 6 + row * 6), QPointF(21, 6 + row * 6));
       }
     }},
    {"relatorio",
     [](QPainter& p) {
       p.drawLine(QPointF(3, 21), QPointF(21, 21));
       p.drawRect(QRectF(5, 12, 3, 8));
       p.drawRect(QRectF(11, 7, 3, 13));
       p.drawRect(QRectF(17, 10, 3, 10));
     }},
    {"usuarios",
     [](QPainter& p) {
       Person(p, 9, 9, 0.9);
       Person(p, 16, 10, 0.9);
     }},
    {"cadusuarios", [](QPainter& p) { Person(p, 12, 9, 1.1); }},
    {"tiposusuario",
     [](QPainter& p) {
       p.drawRoundedRect(QRectF(3, 5, 18, 14), 2, 2);
       p.drawEllipse(QPointF(9, 11), 2.5, 2.5);
       p.drawLine(QPointF(14, 10), QPointF(18, 10));
       p.drawLine(QPointF(14, 14), QPointF(18, 14));
     }},
    {"cadastros",
     [](QPainter& p) {
       QPainterPath folder;
       folder.moveTo(3, 7);
       folder.lineTo(9, 7);
       folder.lineTo(11, 9);
       folder.lineTo(21, 9);
       folder.lineTo(21, 19);
       folder.lineTo(3, 19);
       folder.closeSubpath();
       p.drawPath(folder);
     }},
    {"prefeitura",
     [](QPainter& p) {
       QPainterPath roof;
       roof.moveTo(3, 9);
       roof.lineTo(12, 3);
       roof.lineTo(21, 9);
       roof.closeSubpath();
       p.drawPath(roof);
       for (int x : {6, 11, 16})
         p.drawLine(QPointF(x + 1, 11), QPointF(x + 1, 18));
       p.drawLine(QPointF(3, 21), QPointF(21, 21));
     }},
    {"unidades",
     [](QPainter& p) {
       p.drawRect(QRectF(9, 3, 6, 5));
       p.drawRect(QRectF(3, 16, 6, 5));
       p.drawRect(QRectF(15, 16, 6, 5));
       p.setBrush(Qt::NoBrush);
       p.drawLine(QPointF(12, 8), QPointF(12, 12));
       p.drawLine(QPointF(6, 12), QPointF(18, 12));
       p.drawLine(QPointF(6, 12), QPointF(6, 16));
       p.drawLine(QPointF(18, 12), QPointF(18, 16));
     }},
    {"tiposunidade",
     [](QPainter& p) {
       QPainterPath tag;
       tag.moveTo(3, 4);
       tag.lineTo(12, 4);
       tag.lineTo(21, 13);
       tag.lineTo(13, 21);
       tag.lineTo(3, 12);
       tag.closeSubpath();
       p.drawPath(tag);
       p.drawEllipse(QPointF(8, 9), 1.5, 1.5);
     }},
    {"tipossolicitacao",
     [](QPainter& p) {
       p.drawRoundedRect(QRectF(3, 4, 14, 10), 2, 2);
       p.drawRoundedRect(QRectF(7, 10, 14, 10), 2, 2);
     }},
    {"situacoes",
     [](QPainter& p) {
       p.drawLine(QPointF(5, 3), QPointF(5, 21));
       QPainterPath flag;
       flag.moveTo(5, 4);
       flag.lineTo(19, 4);
       flag.lineTo(16, 8);
       flag.lineTo(19, 12);
       flag.lineTo(5, 12);
       p.setBrush(Warm);
       p.drawPath(flag);
     }},
    {"configuracoes",
     [](QPainter& p) {
       p.setBrush(Qt::NoBrush);
       for (int i = 0; i < 8; ++i) {
         p.save();
         p.translate(12, 12);
         p.rotate(i * 45);
         p.drawLine(QPointF(0, 6), QPointF(0, 9));
         p.restore();
       }
       p.setBrush(Light);
       p.drawEllipse(QPointF(12, 12), 6, 6);
       p.drawEllipse(QPointF(12, 12), 2, 2);
     }},
    {"recolher",
     [](QPainter& p) {
       for (int y : {6, 12, 18})
         p.drawLine(QPointF(4, y), QPointF(20, y));
     }},
    {"fechar",
     [](QPainter& p) {
       p.setBrush(Qt::NoBrush);
       p.drawArc(QRectF(4, 5, 16, 16), 120 * 16, 300 * 16);
       p.drawLine(QPointF(12, 2), QPointF(12, 11));
     }},
    {"usuario",
     [](QPainter& p) {
       p.drawEllipse(QPointF(12, 12), 9.5, 9.5);
       p.setBrush(Qt::NoBrush);
       Person(p, 12, 11, 0.75);
     }},
};

bool Save(const QImage& image, const QDir& folder, const char* name) {
  const QString file = folder.filePath(QString(name) + ".png");
  if (image.save(file))
    return true;
  std::fprintf(stderr, "Cannot write %s\n", qPrintable(file));
  return false;
}

} // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "Usage: MakeArtwork <folder>\n");
    return 2;
  }
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  QDir folder(QString::fromLocal8Bit(argv[1]));
  if (!folder.mkpath(".")) {
    std::fprintf(stderr, "Cannot create %s\n", argv[1]);
    return 1;
  }
  bool ok = Save(Logo(100, 100), folder, "login-logo") &&
            Save(Illustration(447, 535), folder, "login-side") &&
            Save(Logo(100, 90), folder, "menu-logo");
  for (const auto& [name, draw] : Glyphs)
    ok = ok && Save(Glyph(draw), folder, name);
  return ok ? 0 : 1;
}
