// The base of every control: one node of the control tree a root window hosts, built from a skin's
// control descriptor, with its looks, layout, children, text, font, value and input state.
#pragma once

#include "vqframework/control/EventParams.h"
#include "vqframework/control/HotKeyMap.h"
#include "vqframework/control/KeyCode.h"
#include "vqframework/control/RootWindow.h"
#include "vqframework/control/UITarget.h"
#include "vqframework/controlbase/ControlDescriptor.h"
#include "vqframework/controlbase/LayoutDescriptor.h"
#include "vqframework/controlbase/Look.h"
#include "vqframework/controlbase/MenuDescriptor.h"
#include "vqframework/controlbase/StringTable.h"
#include "vqframework/graphics/Font.h"
#include "vqframework/graphics/RectRegion.h"
#include "vqframework/notification/NotificationCenter.h"
#include "vqframework/notification/NotificationClient.h"
#include "vqframework/notification/NotificationDistributor.h"
#include "vqframework/notification/NotificationHandler.h"
#include "vqframework/objectbase/RCPtr.h"
#include "vqframework/objectbase/RefCountedObject.h"
#include "vqframework/objectbase/TaggableObject.h"
#include "vqframework/storage/Array.h"
#include "vqframework/storage/ArrayBuffer.h"
#include "vqframework/storage/RCPtrArray.h"
#include "vqframework/storage/RectT.h"
#include "vqframework/storage/StringT.h"

#include <cstdint>

namespace VQ {

class LControl;
class LMenuItemUpdater;
class LRenderer;

// A cursor of the platform layer; 0 is none.
using CursorHandle = uintptr_t;

class LControl : public LNotificationClient, public LNotificationDistributor, public LTaggableObject, public UITarget {
public:
    using String = StringT<char16_t, char>;

    // The children in insertion order, with tab and z orders sorted lazily whenever the list or a
    // sort key changed since the last sort.
    class ChildControlList {
    public:
        // The orders GetAt reads.
        static constexpr int32_t OrderInsertion = 0;
        static constexpr int32_t OrderZ = 1;
        static constexpr int32_t OrderTab = 2;

        explicit ChildControlList(LControl* owner) : m_owner(owner) {}
        ChildControlList(const ChildControlList&) = delete;
        ChildControlList& operator=(const ChildControlList&) = delete;

        // Throw a runtime error for an index not below the count or an unknown order.
        const RCPtr<LControl>& GetAt(uint32_t index, int32_t order);
        const RCPtr<LControl>& GetAt(uint32_t index, int32_t order) const;
        uint32_t GetCount() const { return m_items.GetCount(); }

        // E_INVALIDARG for an empty reference, a control with a parent, the owner or one of its
        // ancestors; E_FAIL for a name already in the list; else 0.
        VQRESULT Add(const RCPtr<LControl>& child);
        // The former index, or -1 when the child is not in the list.
        int32_t Remove(const RCPtr<LControl>& child);
        // 1 when the list was empty, else 0.
        int32_t RemoveAll();
        // 1 for the child's own name, E_FAIL for a name another child has, E_INVALIDARG for a control
        // that is not a child; else 0.
        VQRESULT RenameChild(const RCPtr<LControl>& child, const String& name);

        // The insertion index of the child, searching from the end; -1 when absent.
        int32_t IndexOf(const LControl* child) const;
        // Marks the orders for sorting again at their next use.
        void Touch() { ++m_modificationCount; }
        int32_t GetModificationCount() const { return m_modificationCount; }

    private:
        friend class LControl;

        void SortIfNeeded() const;
        // Drops the entry of a control whose constructor threw after joining, without releasing it:
        // the control is being destroyed, and its entry's reference was never given back.
        void Forget(LControl* child);

        RCPtrArray<LControl> m_items;
        mutable ArrayBuffer<uint32_t> m_tabOrder;
        mutable ArrayBuffer<uint32_t> m_zOrder;
        int32_t m_modificationCount = 1;
        mutable int32_t m_sortedAtCount = 0;
        LControl* const m_owner;
    };

    // Drag modes and flags of SetDragMode.
    static constexpr int32_t DragModeNone = 0;
    static constexpr int32_t DragModeMoveDrop = 1;
    static constexpr int32_t DragModeMove = 2;
    static constexpr int32_t DragModeMoveScroll = 3;
    static constexpr int32_t DragModeResize = 4;
    static constexpr int32_t DragModeResizeScroll = 5;
    static constexpr int32_t DragModeContent = 6;

    // Edit codes of CanPerformEdit and PerformEdit.
    static constexpr int32_t EditDelete = 0;
    static constexpr int32_t EditCut = 1;
    static constexpr int32_t EditCopy = 2;
    static constexpr int32_t EditPaste = 3;

    // Virtual operations, in the order of the framework's slot list ----------------------------------

    // S_OK when the text changed, S_FALSE when it was equal; lays the control out again.
    virtual VQRESULT SetText(const String& text);
    // The stored normalized value, clamped to 0..1.
    virtual double SetValue(double normalized);
    virtual void OnValueChanged();
    virtual VQRESULT SetRange(double minimum, double maximum, int32_t taper);
    // The client rectangle of the shown look, else the whole control.
    virtual RectT<double> GetClientRect();
    virtual void CheckClientSize();
    virtual void ScrollOffscreenCache(const PointT<double>& oldOffset, const PointT<double>& newOffset);
    virtual void InvalidateChildInCache(const RCPtr<LControl>& child);
    // The size the minimum rules alone give the control.
    virtual PointT<double> GetNaturalSize();
    // The absolute maximum per axis, else 0.
    virtual PointT<double> GetMaxSize();
    virtual bool SetClipToParent(bool clip);
    // The stored offset.
    virtual PointT<double> SetScrollOffset(const PointT<double>& offset);
    virtual RCPtr<LStringTable> GetStringTable() const;
    virtual bool IsFocusScope() const;
    virtual RCPtr<LControl> GetFocusScope();
    virtual bool CanPerformEdit(int32_t code);
    virtual VQRESULT PerformEdit(int32_t code);
    virtual VQRESULT SetDragMode(int32_t mode, int32_t flags);
    virtual VQRESULT BeginDrag();
    virtual void SaveDragStart();
    virtual VQRESULT DragMove(const RCPtr<LPointWithModifiersParam>& param);
    virtual void OnDragStep(const RCPtr<LPointWithModifiersParam>& param);
    virtual VQRESULT DragDrop();
    // The nearest control, outwards from this one, that accepts the dragged control; empty when none.
    virtual void ControlAtPoint(RCPtr<LControl>& target, const RCPtr<LControl>& dragged, const PointT<int32_t>& point);
    virtual bool AcceptsDrop(const RCPtr<LControl>& dragged);
    // Edge bits 0x4 right, 0x8 left, 0x10 top, 0x20 bottom.
    virtual uint32_t GetDropScrollEdges(const RCPtr<LControl>& dragged);
    virtual RectT<double> GetScrollRange(const RCPtr<LControl>& control);
    virtual RectT<double> GetViewRect();
    virtual void GetDragLimits(RectT<double>& limits);
    virtual void OnDragEnter(const RCPtr<LControl>& dragged);
    // The pointer in window client coordinates.
    virtual void OnDragOver(const RCPtr<LControl>& dragged, const PointT<int32_t>& point);
    virtual void OnDragLeave(const RCPtr<LControl>& dragged);
    virtual VQRESULT OnDrop(const RCPtr<LControl>& dragged);
    // first: a container gives the focus to its first focusable child, else to its last.
    virtual VQRESULT SetFocus(bool first);
    virtual void SetNotFocusable(bool notFocusable);
    virtual bool HasFocusableChild();
    virtual void OnConditionsChanged(const RCPtr<LConditionsParam>& param);
    virtual VQRESULT Close();
    virtual void RegisterRootWindowHandlers();
    virtual void OnChildRemoved(const RCPtr<LControl>& child, int32_t index);
    // Whether the control is visible with its ancestors after the change.
    virtual bool SetVisible(bool visible);
    virtual bool IsTransparentAt(const PointT<int32_t>& point);
    virtual void GetColorAtPoint(uint32_t& color, const PointT<int32_t>& point, int32_t lookIndex);
    // 1 when nothing is known of the command; an override returns 0 after filling info.
    virtual VQRESULT GetMenuItemState(const RCPtr<LMenuDescriptor>& menu, int32_t index, const String& command,
                                      LMenuItemInfo& info);
    virtual const RCPtr<LMenuDescriptor>& GetContextMenu();
    virtual void PrepareContextMenu(const RCPtr<LControl>& popupMenu);
    virtual VQRESULT SelectLook(int32_t index);
    // The index of the new look.
    virtual int32_t AddLook(const RCPtr<LLook>& look);
    // 1 makes the root window take the rectangle (screen position, control size).
    virtual int32_t AdjustWindowRect(RectT<double>& rect);
    virtual void SetEnabled(bool enabled);
    virtual VQRESULT CreateFromDescriptor(const RCPtr<LControlDescriptor>& descriptor);
    virtual VQRESULT Render(const RCPtr<LRenderer>& renderer, const RectRegion& region,
                            RCPtrArray<LControl>& overflow, bool unclippedPass);
    // 1 when nothing was invalidated.
    virtual VQRESULT PropagateInvalidate(const RectT<double>& windowRect, bool clip, const RectT<double>& localRect);
    // rect is in the control's own coordinates.
    virtual void Invalidate(const RectT<double>& rect, bool clip);
    // The deepest control under the point, with the point in its coordinates and its effective z order.
    virtual void HitTest(RCPtr<LControl>& hit, const PointT<int32_t>& point, bool mayHit, PointT<int32_t>& hitPoint,
                         int32_t& priority);
    virtual void OnFontChanged();
    virtual VQRESULT RequestFocus(const RCPtr<LControl>& requester);
    virtual void OnLeftDown(const RCPtr<LMouseButtonParam>& param);
    virtual void OnLeftUp(const RCPtr<LMouseButtonParam>& param);
    virtual void OnMiddleDown(const RCPtr<LMouseButtonParam>& param);
    virtual void OnMiddleUp(const RCPtr<LMouseButtonParam>& param);
    virtual void OnRightDown(const RCPtr<LMouseButtonParam>& param);
    virtual void OnRightUp(const RCPtr<LMouseButtonParam>& param);
    virtual void OnMouseMove(const RCPtr<LPointWithModifiersParam>& param);
    // 1 when not handled.
    virtual VQRESULT OnMouseWheel(const RCPtr<LMouseWheelParam>& param);
    virtual VQRESULT OnMouseHWheel(const RCPtr<LMouseWheelParam>& param);
    virtual VQRESULT OnClick(const RCPtr<LMouseButtonParam>& param);
    virtual VQRESULT LeftClick(const RCPtr<LMouseButtonParam>& param);
    virtual VQRESULT MiddleClick(const RCPtr<LMouseButtonParam>& param);
    virtual VQRESULT RightClick(const RCPtr<LMouseButtonParam>& param);
    virtual void LeftClickAction(const RCPtr<LMouseButtonParam>& param);
    virtual void MiddleClickAction(const RCPtr<LMouseButtonParam>& param);
    virtual void RightClickAction(const RCPtr<LMouseButtonParam>& param);
    // point is in the control's own coordinates.
    virtual bool ContainsPoint(const PointT<int32_t>& point);
    virtual RCPtr<LControl> GetNextTabChild(const RCPtr<LControl>& from, bool backward);
    // 1 when not handled.
    virtual VQRESULT OnKey(const RCPtr<LKeyParam>& param);
    virtual VQRESULT SendSiblingKey(const RCPtr<LKeyParam>& param);
    virtual VQRESULT KeyUnhandled(const RCPtr<LKeyParam>& param);
    virtual VQRESULT TabNavigate(const RCPtr<LKeyParam>& param);
    // Fills order with indices into receivers, in the order the key is offered from the last entry.
    virtual void OrderSiblingKeyReceivers(const RCPtr<LKeyParam>& param, const Array<LNotificationClient*>& receivers,
                                          Array<int32_t>& order);
    virtual VQRESULT InheritParentFont();
    virtual VQRESULT OnParentScroll(const PointT<double>& oldOffset, const PointT<double>& newOffset);
    virtual VQRESULT OnChildChanged(const RCPtr<LControl>& child);
    virtual void OnIdle();
    virtual VQRESULT RenderOverlay(const RCPtr<LRenderer>& renderer);
    virtual VQRESULT RenderAfterChildren(const RCPtr<LRenderer>& renderer);
    virtual VQRESULT RecreateChildren(const RCPtr<LControlDescriptor>& descriptor);
    virtual VQRESULT Initialize();
    virtual VQRESULT ApplyCreateParams();
    // E_FAIL when either is empty; else the child's SetParent result.
    virtual VQRESULT AddChildFromDescriptor(const RCPtr<LControl>& child, const RCPtr<LControlDescriptor>& descriptor);
    // The last step of creation.
    virtual VQRESULT OnCreated();
    virtual String GetTooltipText();
    virtual VQRESULT ShowTooltip(bool show);
    virtual RectT<double> GetVisibleRect();

    // Overrides of the bases -------------------------------------------------------------------------

    // Drops the distributor's clients, the updater's link, the children and the control's own
    // registrations; S_OK when nothing but the last reference remains.
    VQRESULT ReleaseCyclicReferences() override;
    // Ignored until the control is created.
    void Receive(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification) override;
    VQRESULT Unregister(const RCPtr<LNotificationDistributor>& distributor, const char16_t* id) override;

    VQRESULT MouseEnter() override;
    VQRESULT MouseMove(const RCPtr<LPointWithModifiersParam>& param) override;
    VQRESULT MouseDown(const RCPtr<LMouseButtonParam>& param) override;
    VQRESULT MouseUp(const RCPtr<LMouseButtonParam>& param) override;
    VQRESULT MouseLeave() override;
    VQRESULT SetCapture(int32_t button, int32_t x, int32_t y) override;
    VQRESULT ReleaseCapture() override;
    void KeyInput(const RCPtr<LKeyParam>& param) override;
    VQRESULT MouseWheel(const RCPtr<LMouseWheelParam>& param) override;
    VQRESULT MouseHWheel(const RCPtr<LMouseWheelParam>& param) override;
    VQRESULT UpdateLayout(int32_t width, int32_t height) override;
    bool CanLoseFocus() override;
    bool KillFocus() override;

    // Creation and teardown --------------------------------------------------------------------------

    // The create function of a control class: constructs T for the parent and runs the creation steps.
    template <class T>
    static RCPtr<LControl>& Create(RCPtr<LControl>& out, const RCPtr<LControl>& parent,
                                   const RCPtr<LControlDescriptor>& descriptor)
    {
        RCPtr<T> control(new T(parent, descriptor->GetName()));
        CompleteCreation(control, descriptor);
        out = control;
        return out;
    }
    // The creation steps after construction: CreateFromDescriptor, RecreateChildren, Initialize,
    // OnCreated, then the control counts as created.
    static void CompleteCreation(const RCPtr<LControl>& control, const RCPtr<LControlDescriptor>& descriptor);

    // E_FAIL for a control with a parent. Virtual only so that the control factory, below the control
    // core, reaches it.
    virtual VQRESULT AttachToRootWindow(LRootWindow* rootWindow);
    // E_INVALIDARG for a control that is not a child.
    VQRESULT RemoveChildLater(const RCPtr<LControl>& child);
    VQRESULT CloseQueuedControls();

    const String& GetName() const { return m_name; }
    // The descriptor the control was last built from; null before that.
    const RCPtr<LControlDescriptor>& GetControlDescriptor() const { return m_descriptor; }
    const RCPtr<LLayoutDescriptor>& GetLayout() const { return m_layout; }
    bool IsCreated() const { return m_created; }
    // Empty when the table or the id is missing.
    String GetString(const String& id) const;
    // The rootWindow field of the top-level ancestor.
    const RCPtr<LRootWindow>& GetRootWindow() const;
    RCPtr<LControl> GetTopLevelControl();
    const RCPtr<LControl>& GetParent() const { return m_parent; }
    // Created on first use; it holds a counted reference to the control.
    const RCPtr<LMenuItemUpdater>& GetMenuItemUpdater();
    // A key whose code word is 0x80000000 when the command has no local key.
    KeyCode GetLocalHotKey(const String& command) const;
    const HotKeyMap& GetLocalHotKeys() const { return m_localHotKeys; }
    const RCPtr<LNotificationCenter>& GetNotificationCenter() const { return m_notificationCenter; }
    const RCPtr<LNotificationHandler<LControl>>& GetHandlerTable() const { return m_handlerTable; }

    // Children ----------------------------------------------------------------------------------------

    // 1 when it is the parent already, E_INVALIDARG for the control itself or one of its descendants,
    // else 0; a parent that refuses the control leaves it without one.
    int32_t SetParent(const RCPtr<LControl>& parent);
    // The last child of exactly that name, or a shared empty reference.
    const RCPtr<LControl>& FindChild(const String& name) const;
    ChildControlList& GetChildren() { return m_children; }
    const ChildControlList& GetChildren() const { return m_children; }
    int32_t GetOverflowCount() const { return m_overflowCount; }

    // Text and font -----------------------------------------------------------------------------------

    // False when the text is equal; relayout lays the control out again when its size follows its text.
    bool SetText(const String& text, bool relayout);
    const String& GetText() const { return m_text; }
    // E_FAIL when no font results.
    VQRESULT SetFont(const String& name, float size, int32_t style, bool relative);
    // E_INVALIDARG for an empty font; 1 for a font equal to the current one.
    VQRESULT ApplyFont(const RCPtr<LFont>& font);
    const RCPtr<LFont>& GetFont() const { return m_font; }

    // Layout ------------------------------------------------------------------------------------------

    // 1 when the rectangle did not change, 0 when it did; E_FAIL without a layout or root window.
    VQRESULT UpdateLayout();
    // E_INVALIDARG without a layout where one is needed.
    static VQRESULT ComputeControlRect(const LLayoutDescriptor* layout, LControl* parent, const RectT<double>& screen,
                                       const PointT<double>& clientSize, const PointT<double>& point,
                                       RectT<double>& rect);
    // 1 when a rule changed the rectangle, E_FAIL when the anchor kept a rule from being met, else 0.
    VQRESULT ApplyMinSize(PointT<double>& position, PointT<double>& size);
    VQRESULT ApplyMaxSize(PointT<double>& position, PointT<double>& size);
    // 1 when the rectangle is unchanged, else 0.
    VQRESULT SetRect(const PointT<double>& position, const PointT<double>& size);
    const RectT<double>& GetRect() const { return m_rect; }
    // Each returns whether the records read back differ from the ones given.
    bool SetPlacement(int32_t axis, const LayoutPositionSpec& position, const LayoutSizeSpec& size);
    bool SetPlacementXY(const LayoutPositionSpec& positionX, const LayoutSizeSpec& sizeX,
                        const LayoutPositionSpec& positionY, const LayoutSizeSpec& sizeY);
    bool SetSizeLimits(int32_t axis, const LayoutSizeSpec& minimum, const LayoutSizeSpec& maximum);
    // The top-left in the parent's outer coordinates.
    PointT<double> GetPositionInParent();
    // The top-left in root-window client pixels.
    PointT<double> GetPositionInWindow();
    // Converts a point in the other control's coordinates into this control's.
    void MapPointFrom(const RCPtr<LControl>& other, PointT<double>& point);
    bool IsLayoutSuspended() const { return m_layoutSuspended; }

    // Looks, visibility and painting -------------------------------------------------------------------

    // E_INVALIDARG for an index without an opacity; an opacity outside 0..1 is not stored.
    VQRESULT SetLookOpacity(int32_t index, float opacity, bool exclusive);
    // The region (control coordinates) the look at index draws in; E_INVALIDARG without that look.
    VQRESULT SetLookRegion(int32_t index, const RectRegion& region);
    void ClearLookRegion(int32_t index);
    void ClearLookRegions();
    // Look a draws where look b does not; E_INVALIDARG unless both exist.
    VQRESULT SetLookRegionExcept(int32_t a, int32_t b);
    // E_FAIL without a look; 1 when nothing changed.
    VQRESULT SetLookImage(const RCPtr<LBitmap>& bitmap, ResizeType resizeType, bool replace, int32_t index);
    // E_FAIL without a look, E_INVALIDARG without a part.
    VQRESULT SetLookPart(const RCPtr<LVisualPart>& part, int32_t index);
    // An index within the list gives that entry, even empty; any other the shown look.
    const RCPtr<LLook>& GetLook(int32_t index) const;
    int32_t GetVisibleLookIndex() const;
    uint32_t GetLookCount() const { return m_looks.GetCount(); }
    float GetLookOpacity(int32_t index) const;
    // The client rectangle of GetLook (index); the whole control without a look.
    RectT<double> GetLookClientRect(int32_t index) const;
    bool IsVisible(bool chain) const;
    bool IsEnabled(bool chain) const;
    void InvalidateOverflow();
    // Appends the non-clipping controls of the subtree in z order; the number appended.
    int32_t CollectOverflowControls(RCPtrArray<LControl>& list, bool skipHidden, bool includeSelf);

    // Hit testing ---------------------------------------------------------------------------------------

    // INT_MIN when the control and every ancestor clip to their parents, else the largest Z_Order
    // among those that do not.
    int32_t GetEffectiveZOrder() const;
    // Empties the list and fills it with the subtree depth first; the count.
    int32_t GetDescendants(RCPtrArray<LControl>& list);
    // The control whose tooltip shows for this one.
    RCPtr<LControl> GetTooltipOwner();

    // Focus, conditions, value, idle -------------------------------------------------------------------

    // Visible and enabled along its chain, focusable itself, without a focusable child, and under no
    // ancestor marked not focusable up to the nearest focus scope.
    bool CanTakeFocus();
    bool HasFocus() const { return m_hasFocus; }
    bool ContainsFocus() const { return m_containsFocus; }
    bool IsNotFocusable() const { return m_notFocusable; }
    bool WantsTab() const { return m_wantsTab; }
    bool UsesParentTooltip() const { return m_useParentTooltip; }
    // The 13 condition bits.
    uint32_t GetConditions() const;
    void UpdateConditions();
    // Forces the hover bit on without the pointer.
    void SetHighlighted(bool highlighted);
    // The control's own cursor, applied while the pointer is over it; 0 for none.
    void SetCursor(CursorHandle cursor);
    double GetValue() const { return m_value; }
    double NormalizedToValue(double normalized) const;
    double ValueToNormalized(double value) const;
    VQRESULT RequestIdle();
    VQRESULT ReleaseIdle();
    int32_t GetIdleRequests() const { return m_idleRequests; }
    const PointT<double>& GetScrollOffset() const { return m_scrollOffset; }

protected:
    // Joins the parent's child list, then takes the string table of (parent, name).
    LControl(const RCPtr<LControl>& parent, const String& name);
    ~LControl() override;

    // The handler of "NID_SIBLING_KEY" for controls with local hot keys.
    VQRESULT OnSiblingKey(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification);
    // The handler of "NID_IDLE" while idle ticks are requested.
    VQRESULT OnIdleTick(const RCPtr<LNotificationDistributor>& sender, const RCPtr<LNotification>& notification);

    // Fields, in the framework's order ----------------------------------------------------------------

    RCPtr<LNotificationHandler<LControl>> m_handlerTable;
    String m_name;
    RCPtr<LControlDescriptor> m_descriptor;
    RCPtr<LLayoutDescriptor> m_layout;
    RectT<double> m_rect;
    PointT<double> m_scrollOffset;
    // Descendants whose layout does not clip to its parent.
    int32_t m_overflowCount = 0;
    RCPtr<LConditionsParam> m_conditionsParam;

    bool m_hasFocus = false;
    bool m_containsFocus = false;
    bool m_mouseOver = false;
    bool m_captured = false;
    bool m_leftDown = false;
    bool m_middleDown = false;
    bool m_rightDown = false;
    bool m_leftDrag = false;
    bool m_middleDrag = false;
    bool m_rightDrag = false;
    bool m_highlighted = false;
    // Set only while a search for the control under the pointer must pass over this control.
    bool m_hitTestExcluded = false;

    // A press: where it happened in the parent's coordinates, and the times of the current and the
    // previously handled move (application clock, ms).
    PointT<double> m_pressPoint;
    uint32_t m_moveTimeMs = 0;
    uint32_t m_previousMoveTimeMs = 0;
    // A drag: mode and flags, the pointer's movement since the press after clamping, and the state
    // at its start.
    int32_t m_dragMode = DragModeNone;
    int32_t m_dragFlags = 0;
    PointT<double> m_dragOffset;
    PointT<double> m_dragStartSize;
    PointT<double> m_dragStartParentScroll;
    PointT<double> m_dragStartPositionAbs;
    PointT<double> m_dragStartSizeAbs;
    bool m_dragWasUnclipped = false;
    bool m_dragWasDockedX = false;
    bool m_dragWasDockedY = false;
    RCPtr<LControl> m_dropTarget;
    int32_t m_dragThreshold = 1;

    double m_value = 0;
    double m_rangeMin = 0;
    double m_rangeMax = 0;
    // 0 linear, 1 logarithmic.
    int32_t m_taper = 0;
    RCPtrArray<LLook> m_looks;
    // Same indices as m_looks; never shorter.
    ArrayBuffer<float> m_lookOpacities;
    float m_opacity = 1.0f;
    // Counted: each child's link is one of the parent's cyclic references.
    RCPtr<LControl> m_parent;
    // Set on the top-level control only.
    RCPtr<LRootWindow> m_rootWindow;
    RCPtr<LStringTable> m_stringTable;
    bool m_wantsTab = false;
    HotKeyMap m_localHotKeys;
    bool m_notFocusable = true;
    bool m_focusScope = false;
    bool m_looksFollowScroll = false;
    bool m_inheritParentFont = false;
    bool m_fontNameFromBase = false;
    bool m_fontSizeFromBase = false;
    bool m_fontStyleFromBase = false;
    bool m_fontSizeRelative = false;
    float m_fontSizeFactor = 1.0f;
    RCPtr<LFont> m_font;
    String m_text;
    RCPtr<LMenuDescriptor> m_contextMenu;
    String m_tooltipText;
    bool m_useParentTooltip = false;
    bool m_created = false;
    bool m_layoutSuspended = false;
    int32_t m_idleRequests = 0;

    // Kinetic scrolling, per axis (0 X, 1 Y).
    struct KineticAxis {
        bool active = false;
        bool fling = false;
        // Pixels per second.
        double velocity = 0;
        double minimum = 0;
        double maximum = 0;
        // Application clock, seconds.
        double lastStepTime = 0;
        RCPtr<LControl> redragControl;
    };
    KineticAxis m_kinetic[2];
    // Velocities measured during a content drag, pixels per second, and the release time (ms).
    PointT<double> m_flingVelocity;
    uint32_t m_releaseTimeMs = 0;
    // Pixels per second per second.
    double m_kineticDeceleration = 1000.0;

    CursorHandle m_cursor = 0;
    CursorHandle m_previousCursor = 0;
    RCPtrArray<LControl> m_closeQueue;
    RCPtr<LMenuItemUpdater> m_menuItemUpdater;
    RCPtr<LNotificationCenter> m_notificationCenter;
    ChildControlList m_children{this};
    bool m_clientRectValid = false;
    RectT<double> m_clientRectCache;

private:
    friend class ChildControlList;

    // Adds delta to the overflow count of every ancestor.
    void AddOverflowToAncestors(int32_t delta);
};

} // namespace VQ
