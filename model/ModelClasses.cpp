#include "model/ModelClasses.h"

#include "model/GAttributeComposite.h"
#include "model/GBin.h"
#include "model/GBinaryData.h"
#include "model/GBookletComposite.h"
#include "model/GCapabilities.h"
#include "model/GColorAttributes.h"
#include "model/GCommandComposite.h"
#include "model/GConfiguration.h"
#include "model/GCountedPtr.h"
#include "model/GCustomMediaSize.h"
#include "model/GDeviceFontDescription.h"
#include "model/GDeviceFontList.h"
#include "model/GDeviceFontListComposite.h"
#include "model/GDisplayString.h"
#include "model/GDisplayStringAttribute.h"
#include "model/GEnumAttribute.h"
#include "model/GFormToTrayAssociation.h"
#include "model/GFormToTrayDatabase.h"
#include "model/GGraphicBundle.h"
#include "model/GLocaleInfo.h"
#include "model/GDownloadHeaderCommand.h"
#include "model/GErrorCommand.h"
#include "model/GPassThroughCommand.h"
#include "model/GMarginPool.h"
#include "model/GMedia.h"
#include "model/GMediaPool.h"
#include "model/GOptMediaComposite.h"
#include "model/GPMDVersionInfo.h"
#include "model/GPaperHandlingDevice.h"
#include "model/GPersistableLong.h"
#include "model/GPersistableULong.h"
#include "model/GRangeAttribute.h"
#include "model/GRecord.h"
#include "model/GRecordComposite.h"
#include "model/GRecordProxy.h"
#include "model/GResourceMapping.h"
#include "model/GResourceMappingList.h"
#include "model/GSelectionString.h"
#include "model/GState.h"
#include "model/GStringAttribute.h"
#include "model/GTintwrightAttribute.h"
#include "model/GTray.h"
#include "model/GValue32Attribute.h"
#include "model/GValueAttribute.h"
#include "model/MAssociationList.h"
#include "model/MPersistentAssociation.h"
#include "model/MPersistentComposite.h"
#include "model/MPersistentCompositeOnDisk.h"
#include "model/MPersistentCompositeOnDiskImp.h"
#include "rw/RWFactory.h"
#include "rw/RWStringID.h"

namespace {

// New classes are appended here.
const ModelClassEntry kModelClasses[] = {
    {&MPersistentCompositeCreate, MPersistentCompositeClassId, "MPersistentComposite"},
    {&GCountedPtrCreate, GCountedPtrClassId, "GCountedPtr"},
    {&GValueAttributeCreate, GValueAttributeClassId, "GValueAttribute"},
    {&GValue32AttributeCreate, GValue32AttributeClassId, "GValue32Attribute"},
    {&GStringAttributeCreate, GStringAttributeClassId, "GStringAttribute"},
    {&GDisplayStringCreate, GDisplayStringClassId, "GDisplayString"},
    {&GDisplayStringAttributeCreate, GDisplayStringAttributeClassId, "GDisplayStringAttribute"},
    {&GAttributeCompositeCreate, GAttributeCompositeClassId, "GAttributeComposite"},
    {&GStateCreate, GStateClassId, "GState"},
    {&GGraphicBundleCreate, GGraphicBundleClassId, "GGraphicBundle"},
    {&GEnumAttributeCreate, GEnumAttributeClassId, "GEnumAttribute"},
    {&GRangeAttributeCreate, GRangeAttributeClassId, "GRangeAttribute"},
    {&GOptMediaCompositeCreate, GOptMediaCompositeClassId, "GOptMediaComposite"},
    {&GBookletCompositeCreate, GBookletCompositeClassId, "GBookletComposite"},
    {&MPersistentAssociationCreate, MPersistentAssociationClassId, "MPersistentAssociation"},
    {&MAssociationListCreate, MAssociationListClassId, "MAssociationList"},
    {&GBinaryDataCreate, GBinaryDataClassId, "GBinaryData"},
    {&GSelectionStringCreate, GSelectionStringClassId, "GSelectionString"},
    {&GPMDVersionInfoCreate, GPMDVersionInfoClassId, "GPMDVersionInfo"},
    {&GPersistableLongCreate, GPersistableLongClassId, "GPersistableLong"},
    {&GPersistableULongCreate, GPersistableULongClassId, "GPersistableULong"},
    {&GResourceMappingCreate, GResourceMappingClassId, "GResourceMapping"},
    {&GResourceMappingListCreate, GResourceMappingListClassId, "GResourceMappingList"},
    {&GCapabilitiesCreate, GCapabilitiesClassId, "GCapabilities"},
    {&GConfigurationCreate, GConfigurationClassId, "GConfiguration"},
    {&GTintwrightAttributeCreate, GTintwrightAttributeClassId, "GTintwrightAttribute"},
    {&GTintwrightEnhancedAttributeCreate, GTintwrightEnhancedAttributeClassId, "GTintwrightEnhancedAttribute"},
    {&GTintwrightEnhancedAttributeVer2Create, GTintwrightEnhancedAttributeVer2ClassId,
     "GTintwrightEnhancedAttributeVer2"},
    {&GSRGBExtensionCreate, GSRGBExtensionClassId, "GSRGBExtension"},
    {&GEdgeControlCreate, GEdgeControlClassId, "GEdgeControl"},
    {&GSRGBColorCreate, GSRGBColorClassId, "GSRGBColor"},
    // Both halftone classes take id 790; the first registration of an id
    // wins, so a stored 790 is created as a GHalftoneEnhanced. GHalftone is
    // still found by its name.
    {&GHalftoneEnhancedCreate, GHalftoneEnhancedClassId, "GHalftoneEnhanced"},
    {&GHalftoneCreate, GHalftoneClassId, "GHalftone"},
    {&GNeutralGraysCreate, GNeutralGraysClassId, "GNeutralGrays"},
    {&GColorMapCreate, GColorMapClassId, "GColorMap"},
    {&GMediaCreate, GMediaClassId, "GMedia"},
    {&GTrayCreate, GTrayClassId, "GTray"},
    {&GMediaPoolCreate, GMediaPoolClassId, "GMediaPool"},
    {&MPersistentCompositeOnDiskCreate, MPersistentCompositeOnDiskClassId, "MPersistentCompositeOnDisk"},
    {&MPersistentCompositeOnDiskImpCreate, MPersistentCompositeOnDiskImpClassId, "MPersistentCompositeOnDiskImp"},
    {&GRecordCreate, GRecordClassId, "GRecord"},
    {&GRecordProxyCreate, GRecordProxyClassId, "GRecordProxy"},
    {&GRecordCompositeCreate, GRecordCompositeClassId, "GRecordComposite"},
    {&GDeviceFontDescriptionCreate, GDeviceFontDescriptionClassId, "GDeviceFontDescription"},
    {&GDeviceFontListCreate, GDeviceFontListClassId, "GDeviceFontList"},
    {&GDeviceFontListCompositeCreate, GDeviceFontListCompositeClassId, "GDeviceFontListComposite"},
    {&GCustomMediaSizeCreate, GCustomMediaSizeClassId, "GCustomMediaSize"},
    {&GMarginPoolCreate, GMarginPoolClassId, "GMarginPool"},
    {&GBinCreate, GBinClassId, "GBin"},
    {&GPaperHandlingDeviceCreate, GPaperHandlingDeviceClassId, "GPaperHandlingDevice"},
    {&GFormToTrayDatabaseCreate, GFormToTrayDatabaseClassId, "GFormToTrayDatabase"},
    {&GFormToTrayAssociationCreate, GFormToTrayAssociationClassId, "GFormToTrayAssociation"},
    {&GLocaleInfoCreate, GLocaleInfoClassId, "GLocaleInfo"},
    {&GPassThroughCommandCreate, GPassThroughCommandClassId, "GPassThroughCommand"},
    {&GDownloadHeaderCommandCreate, GDownloadHeaderCommandClassId, "GDownloadHeaderCommand"},
    {&GErrorCommandCreate, GErrorCommandClassId, "GErrorCommand"},
    {&GCommandCompositeCreate, GCommandCompositeClassId, "GCommandComposite"},
};

}  // namespace

const ModelClassEntry* ModelClasses(unsigned* count) {
  if (count != nullptr) *count = sizeof(kModelClasses) / sizeof(kModelClasses[0]);
  return kModelClasses;
}

void RegisterModelClasses() {
  for (const ModelClassEntry& entry : kModelClasses) RWFactoryAddClass(entry.create, entry.id, RWStringID(entry.name));
}

void UnregisterModelClasses() {
  for (const ModelClassEntry& entry : kModelClasses) {
    RWFactoryRemoveClassId(entry.id);
    RWFactoryRemoveStringId(RWStringID(entry.name));
  }
}
