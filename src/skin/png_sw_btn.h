// The two-word switch: a CPngBtn that writes its left and right words over the image, the word
// of the current state in the pressed caption colour.
#pragma once

#include "skin/png_btn.h"

class CPngSwBtn : public CPngBtn {
    Q_OBJECT
  public:
    explicit CPngSwBtn(QWidget* parent = nullptr);

    static constexpr int kWidth = 84;  // two halves of 42 pixels

    // The two words (tc_msg25 left, tc_msg26 right); empty words come from g_SkinSettings.
    void SetWords(const std::string& left, const std::string& right);
    QImage ComposePicture(qreal scale = 1) const override;

  private:
    QFont m_fontSmall;
    std::string m_strLeft, m_strRight;
};
