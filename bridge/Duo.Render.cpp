#include "bridge/Duo.Render.h"

#include "bridge/Duo.BaseClass.h"
#include "bridge/Duo.ItemCommon.h"

void TDuoRender::RenderDuo(const std::vector<TDuoItem*>& Items) {
  TStringList& body = FBaseClass.HTML().Render().Body();
  for (TDuoItem* item : Items) {
    const int start = body.Count();
    if (item->OnBeginReader)
      item->OnBeginReader();
    item->PreProcess();
    item->RenderHTML();
    item->Render();
    if (item->OnEndReader)
      item->OnEndReader();
    const int stop = body.Count();
    if (stop <= start)
      continue;
    std::string text;
    for (int i = start; i < stop; ++i)
      text += body[i] + "\r\n";
    FBaseClass.HTML().Render().AddHTMLControls(item->GetItemID(), item->GetItemPrefixID(), text);
    if (item->GetIsHidden())
      for (int i = start; i < stop; ++i)
        body.Delete(start);
  }
}
