// Control identifiers of the update windows and the about box, named as the
// controls are; tests that drive the program from outside use them too.
#pragma once

namespace dm {

enum UpdateFormControl : int {
  // TAutoUpdateForm
  AutoUpdateMemo1 = 1001,
  AutoUpdateLabelStatus,
  AutoUpdateLabelStatus2,
  AutoUpdateProgressBar1,
  AutoUpdateLabel6,
  AutoUpdateLabel1,
  AutoUpdateAnimate1,
  AutoUpdateButtonAbort = 1,  // IDOK: the default button
  // TVerSureForm
  VerSureImage1 = 1101,
  VerSureLabel1,
  VerSureLabel2,
  VerSureButton1 = 1,  // IDOK
  VerSureButton2 = 2,  // IDCANCEL
  VerSureButton3 = 1103,
  // TVerContForm
  VerContMemo1 = 1201,
  VerContPanel1,
  VerContOK = 1,  // IDOK
  // TAbout
  AboutPanel1 = 1301,
  AboutImage1,
  AboutLabel1,
  AboutLabel2,
  AboutLabel3,
  AboutLabel4,
  AboutLabel5,
  AboutLabel6,
  AboutLabel7,
  AboutLabel8,
  AboutLabel10,
  AboutLabel12,
  AboutLabel13,
  AboutLabel14,
  AboutImage2,
  AboutImage3,
  AboutOKBtn = 1,  // IDOK
};

}  // namespace dm
